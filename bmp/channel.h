// One colour channel of a masked pixel: where its bits lie and how they widen to 8 bits.
#pragma once

#include <array>
#include <cstdint>

namespace bmp {

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0; // lowest set bit
    int bits = 0;  // width from the lowest to the highest set bit
    // Fields of up to 8 bits as 8-bit values: the top bits repeated downwards, so that
    // 5 bits 10000 become 10000100 and 31 becomes 255.
    std::array<std::uint8_t, 256> widened{};

    static Channel FromMask(std::uint32_t mask);
    // The channel of a pixel value widened or narrowed to 8 bits.
    std::uint8_t Extract(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? widened[v] : static_cast<std::uint8_t>(v >> (bits - 8));
    }
    // An 8-bit value as this channel's bits in a pixel value: its top bits where the
    // channel is narrower, shifted up where it is wider.
    std::uint32_t Pack(std::uint8_t value) const {
        const std::uint32_t v =
            bits >= 8 ? std::uint32_t{value} << (bits - 8) : std::uint32_t{value} >> (8 - bits);
        return (v << shift) & mask;
    }
};

// Whether a nonzero mask's bits are one unbroken run.
constexpr bool Contiguous(std::uint32_t mask) {
    const std::uint32_t low = mask >> __builtin_ctz(mask);
    return (low & (low + 1)) == 0;
}

} // namespace bmp
