#include "bmp/pixel_write.h"

#include <cstdio>
#include <tuple>

namespace bmp {
namespace {

// Why a channel cannot hold the 8-bit value asked, or empty: what it reads back as
// differs, and the nearest values it can hold are named.
std::string Narrow(const Channel& c, const char* name, std::uint8_t asked) {
    if (c.Extract(c.Pack(asked)) == asked)
        return "";
    int below = asked, above = asked;
    while (below > 0 && c.Extract(c.Pack(static_cast<std::uint8_t>(below))) != below)
        --below;
    while (above < 255 && c.Extract(c.Pack(static_cast<std::uint8_t>(above))) != above)
        ++above;
    char mask[16];
    std::snprintf(mask, sizeof mask, "0x%08X", c.mask);
    return std::string(name) + "的掩码 " + mask + " 只有 " + std::to_string(c.bits) +
           " 位，写不出 " + std::to_string(asked) + "：它能存下的最接近的值是 " +
           std::to_string(below) + " 和 " + std::to_string(above);
}

} // namespace

EncodedPixel EncodePixel(const PixelFormat& f, Bgrs v, std::uint32_t old) {
    EncodedPixel out;
    if (f.encoding != Encoding::Masked) {
        out.refusal = "只有带掩码的像素才通过掩码写";
        return out;
    }
    for (const auto& [c, name, asked] :
         {std::tuple{&f.red, "红色", v.r}, {&f.green, "绿色", v.g}, {&f.blue, "蓝色", v.b}}) {
        out.refusal = Narrow(*c, name, asked);
        if (!out.refusal.empty())
            return out;
    }
    if (f.alphaInForce) {
        out.refusal = Narrow(f.alpha, "透明度", v.s);
        if (!out.refusal.empty())
            return out;
    }
    const std::uint32_t pixelBits = f.bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    std::uint32_t covered = f.red.mask | f.green.mask | f.blue.mask;
    out.value = f.red.Pack(v.r) | f.green.Pack(v.g) | f.blue.Pack(v.b);
    if (f.alphaInForce) {
        covered |= f.alpha.mask;
        out.value |= f.alpha.Pack(v.s);
    }
    // The bits no mask covers keep what they held, but for a 32-bit pixel's fourth byte,
    // which is S as the read gives it.
    const std::uint32_t free = ~covered & pixelBits;
    const std::uint32_t fourth = f.bits == 32 && !f.alphaInForce ? 0xFF000000u & free : 0;
    out.value |= (old & free & ~fourth) | (std::uint32_t{v.s} << 24 & fourth);
    return out;
}

} // namespace bmp
