#include "bmp/rgba64.h"

#include <array>
#include <cmath>

namespace bmp {

std::uint8_t SrgbFromFixed(std::int16_t v) {
    // Every value from 0 to 1.0 has its own entry, made once.
    static const std::array<std::uint8_t, 8193> table = [] {
        std::array<std::uint8_t, 8193> t{};
        for (int i = 0; i <= 8192; ++i) {
            const double l = i / 8192.0;
            const double e = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(e * 255));
        }
        return t;
    }();
    return table[static_cast<std::size_t>(v < 0 ? 0 : v > 8192 ? 8192 : v)];
}

std::uint8_t AlphaFromFixed(std::int16_t v) {
    const int c = v < 0 ? 0 : v > 8192 ? 8192 : v;
    return static_cast<std::uint8_t>((c * 255 + 4096) / 8192);
}

} // namespace bmp
