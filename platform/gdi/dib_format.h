// What a BITMAPINFO says about its pixel array, checked once before any pixel is read.
#pragma once

#include "platform/wintypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::gdi {

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;                   // lowest set bit
    int bits = 0;                    // width from the lowest to the highest set bit
    std::array<BYTE, 256> widened{}; // fields of up to 8 bits, as 8-bit values

    static Channel FromMask(std::uint32_t mask);
    // The channel of a pixel value widened or narrowed to 8 bits.
    BYTE Extract(std::uint32_t pixel) const {
        std::uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? widened[v] : static_cast<BYTE>(v >> (bits - 8));
    }
};

struct DibFormat {
    std::int64_t width = 0;
    std::int64_t height = 0; // magnitude; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    DWORD compression = BI_RGB;
    std::uint64_t stride = 0;
    // Colour table as surface pixels; indices at or past paletteCount are black.
    std::array<std::uint32_t, 256> palette{};
    std::uint32_t paletteCount = 0;
    bool masked = false; // 16 and 32 bits: red, green and blue from the channels below
    Channel red, green, blue;

    bool IsRle() const { return compression == BI_RLE8 || compression == BI_RLE4; }
};

inline constexpr std::uint32_t kBlack = 0xFF000000u;

// Bytes of one stored row: the row's bits rounded up to whole DWORDs. In 64 bits this
// cannot overflow for any 32-bit width and 16-bit depth.
constexpr std::int64_t DibRowBytes(std::int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Rows of a picture, whichever way they are stored.
constexpr std::int64_t DibRowCount(LONG height) {
    return height < 0 ? -static_cast<std::int64_t>(height) : height;
}

// The header block a header claims to have (header, masks, colour table), for callers
// that vouch for it as Windows callers do.
std::size_t ClaimedInfoLength(const BITMAPINFOHEADER& h);

// Null when the header describes nothing that can be drawn: a width or height of zero
// or less, an unknown depth or compression, zero masks, or masks past infoLength.
std::optional<DibFormat> ParseDibFormat(const BITMAPINFO* info, std::size_t infoLength);

} // namespace platform::gdi
