// One stored pixel as the display shows it, shared by the drawing loops and the single
// pixel read, so that a read can never name a colour the preview does not draw.
#pragma once

#include "platform/gdi/dib_format.h"

#include <cstring>

namespace platform::gdi {

inline std::uint32_t MaskedPixel(const DibFormat& f, std::uint32_t v) {
    return 0xFF000000u | (std::uint32_t{f.red.Extract(v)} << 16) |
           (std::uint32_t{f.green.Extract(v)} << 8) | f.blue.Extract(v);
}

// Reads source pixel c of a row whose first byte is row; the caller guarantees that the
// pixel's bytes are inside the array.
template <int Bits, bool Masked>
std::uint32_t Fetch(const DibFormat& f, const BYTE* row, std::int64_t c) {
    if constexpr (Bits == 1) {
        return f.palette[(row[c >> 3] >> (7 - (c & 7))) & 1];
    } else if constexpr (Bits == 4) {
        return f.palette[(row[c >> 1] >> ((c & 1) != 0 ? 0 : 4)) & 0x0F];
    } else if constexpr (Bits == 8) {
        return f.palette[row[c]];
    } else if constexpr (Bits == 16) {
        const BYTE* p = row + 2 * c;
        return MaskedPixel(f, std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8));
    } else if constexpr (Bits == 24) {
        const BYTE* p = row + 3 * c;
        return 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    } else {
        const BYTE* p = row + 4 * c;
        if constexpr (Masked) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return MaskedPixel(f, v);
        } else {
            return 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        }
    }
}

// The surface colour of pixel (x, y), y counted from the top, of an uncompressed
// picture whose array holds `length` bytes: black where the pixel's bytes lie past the
// array, as the drawing shows it. The caller keeps x and y inside the picture.
std::uint32_t UncompressedPixel(const DibFormat& f, const BYTE* bits, std::uint64_t length,
                                std::int64_t x, std::int64_t y);

} // namespace platform::gdi
