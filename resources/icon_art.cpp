#include "resources/icon_art.h"

#include <algorithm>
#include <cmath>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba Solid(std::uint32_t rgb) {
    return Rgba{static_cast<double>((rgb >> 16) & 0xFF), static_cast<double>((rgb >> 8) & 0xFF),
                static_cast<double>(rgb & 0xFF), 1.0};
}

// The icon at one point of its 32-unit square, the shapes painted bottom up.
Rgba Sample(double x, double y) {
    constexpr std::uint32_t kCells[4] = {0xE04040, 0x40A040, 0x4060E0, 0xF0C030};
    Rgba c;
    if (x >= 2 && x < 26 && y >= 2 && y < 26) {
        const bool border = x < 4 || x >= 24 || y < 4 || y >= 24;
        const int cell = (static_cast<int>((x - 4) / 5) + static_cast<int>((y - 4) / 5)) % 4;
        c = Solid(border ? 0x3C4650 : kCells[cell]);
    }
    // The handle: a bar from the lens towards the corner.
    const double t = std::clamp(((x - 24) + (y - 24)) / 2.0, 0.0, 6.5);
    const double hx = x - (24 + t), hy = y - (24 + t);
    if (hx * hx + hy * hy <= 1.7 * 1.7)
        c = Solid(0x202020);
    const double d = std::hypot(x - 19, y - 19);
    if (d <= 6.2)
        c = Solid(0xE8F4FF);
    else if (d <= 8.2)
        c = Solid(0x202020);
    return c;
}

} // namespace

std::vector<std::uint32_t> DrawAppIcon(int size) {
    std::vector<std::uint32_t> px(static_cast<size_t>(size) * static_cast<size_t>(size), 0);
    constexpr int kSub = 4; // samples a pixel on each axis, for smooth edges
    const double unit = 32.0 / size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgba sum;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx) {
                    const Rgba s =
                        Sample((x + (sx + 0.5) / kSub) * unit, (y + (sy + 0.5) / kSub) * unit);
                    sum.r += s.r * s.a;
                    sum.g += s.g * s.a;
                    sum.b += s.b * s.a;
                    sum.a += s.a;
                }
            if (sum.a == 0)
                continue;
            const auto channel = [&](double v) {
                return static_cast<std::uint32_t>(std::lround(v / sum.a));
            };
            const auto alpha = static_cast<std::uint32_t>(std::lround(255 * sum.a / (kSub * kSub)));
            px[static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)] =
                (alpha << 24) | (channel(sum.r) << 16) | (channel(sum.g) << 8) | channel(sum.b);
        }
    return px;
}
