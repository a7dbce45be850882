// 64-bit pixels: blue, green, red and alpha, each a little-endian signed 16-bit fixed-point
// number with 13 fraction bits (8192 is 1.0). Colours are linear light, shown through the
// sRGB transfer function; alpha is linear coverage.
#pragma once

#include <cstdint>

namespace bmp {

// A colour value as 8-bit sRGB: clamped to 0..1, encoded, rounded.
std::uint8_t SrgbFromFixed(std::int16_t v);
// Alpha clamped to 0..1 and scaled to 255, rounded.
std::uint8_t AlphaFromFixed(std::int16_t v);
// The value as a real number, and its linear value clamped to 0..1.
inline double FixedValue(std::int16_t v) {
    return v / 8192.0;
}

} // namespace bmp
