// A 32-bit pixel surface: what every device context draws into. Pixels are
// 0xFFRRGGBB words, top row first, so the window layer can show it without a copy.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <vector>

namespace platform::gdi {

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Surface() = default;
    Surface(int w, int h, COLORREF fill = 0)
        : width(w), height(h),
          pixels(static_cast<size_t>(w) * static_cast<size_t>(h), FromColorRef(fill)) {}

    static constexpr std::uint32_t FromColorRef(COLORREF c) {
        return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
               (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
    }
    static constexpr COLORREF ToColorRef(std::uint32_t p) {
        return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
    }
    std::uint32_t* Row(int y) {
        return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
};

} // namespace platform::gdi
