#include "platform/checked_math.h"
#include "platform/gdi/pixel_fetch.h"

namespace platform::gdi {

std::uint32_t UncompressedPixel(const DibFormat& f, const BYTE* bits, std::uint64_t length,
                                std::int64_t x, std::int64_t y) {
    const auto stored = static_cast<std::uint64_t>(f.topDown ? y : f.height - 1 - y);
    std::uint64_t rowStart = 0;
    if (!CheckedMul(stored, f.stride, rowStart) || rowStart >= length)
        return kBlack;
    const auto offset = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(f.bitCount) / 8;
    const std::uint64_t bytes = f.bitCount < 8 ? 1 : static_cast<std::uint64_t>(f.bitCount) / 8;
    if (!RangeInside(offset, bytes, length - rowStart))
        return kBlack;
    const BYTE* row = bits + rowStart;
    switch (f.bitCount) {
    case 1:
        return Fetch<1, false>(f, row, x);
    case 4:
        return Fetch<4, false>(f, row, x);
    case 8:
        return Fetch<8, false>(f, row, x);
    case 16:
        return Fetch<16, true>(f, row, x);
    case 24:
        return Fetch<24, false>(f, row, x);
    default:
        return f.masked ? Fetch<32, true>(f, row, x) : Fetch<32, false>(f, row, x);
    }
}

} // namespace platform::gdi
