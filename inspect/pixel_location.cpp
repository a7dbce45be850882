#include "inspect/pixel_location.h"

#include <algorithm>
#include <cstring>

namespace inspect {
namespace {

std::uint32_t U32(std::span<const std::uint8_t> f, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, f.data() + at, 4);
    return v;
}

// The code of a run-length stream that sets stored pixel (x, row), read as the drawing
// code reads streams; nothing when no code does.
std::optional<std::uint64_t> RleCode(std::span<const std::uint8_t> f, std::uint64_t start,
                                     std::uint64_t length, bool four, std::int64_t width,
                                     std::int64_t px, std::int64_t prow) {
    std::int64_t x = 0, y = 0;
    std::uint64_t pos = 0;
    while (length - pos >= 2) {
        const std::uint64_t code = pos;
        const std::uint8_t n = f[start + pos], c = f[start + pos + 1];
        pos += 2;
        if (y > prow)
            return std::nullopt;
        if (n > 0) {
            if (y == prow && px >= x && px < x + n)
                return start + code;
            x = std::min<std::int64_t>(x + n, width);
        } else if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            return std::nullopt;
        } else if (c == 2) {
            if (length - pos < 2)
                return std::nullopt;
            x = std::min<std::int64_t>(x + f[start + pos], width);
            y += f[start + pos + 1];
            pos += 2;
        } else {
            const std::uint64_t bytes = four ? (c + 1u) / 2u : c;
            if (length - pos < bytes)
                return std::nullopt;
            if (y == prow && px >= x && px < x + c)
                return start + code;
            x = std::min<std::int64_t>(x + c, width);
            pos += bytes + bytes % 2;
            pos = std::min(pos, length);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<PixelLocation> LocatePixel(std::span<const std::uint8_t> f, std::int64_t x,
                                         std::int64_t y, std::string& error) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || U32(f, 14) != 40) {
        error = "没有可读的 40 字节信息头";
        return std::nullopt;
    }
    const std::int64_t width = static_cast<std::int32_t>(U32(f, 18));
    const std::int32_t h = static_cast<std::int32_t>(U32(f, 22));
    const std::int64_t height = h < 0 ? -static_cast<std::int64_t>(h) : h;
    const int bits = f[28] | f[29] << 8;
    const std::uint32_t compression = U32(f, 30), offBits = U32(f, 10);
    if (x < 0 || y < 0 || x >= width || y >= height) {
        error = "输入的坐标超过图像大小了⊙﹏⊙b汗";
        return std::nullopt;
    }
    if (bits == 0 || bits > 32) {
        error = "像素位数 " + std::to_string(bits) + " 没有像素布局";
        return std::nullopt;
    }
    PixelLocation p;
    p.x = x;
    p.y = y;
    p.row = h < 0 ? y : height - 1 - y;
    p.stride = static_cast<std::uint64_t>((width * bits + 31) / 32 * 4);
    p.padding = p.stride - static_cast<std::uint64_t>((width * bits + 7) / 8);
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(p.row), p.stride, &p.rowOffset) ||
        __builtin_add_overflow(p.rowOffset, std::uint64_t{offBits}, &p.rowOffset)) {
        error = "像素的位置超出 64 位偏移";
        return std::nullopt;
    }
    if (compression == 1 || compression == 2) {
        p.runLength = true;
        const std::uint32_t declared = U32(f, 34);
        const std::uint64_t available = offBits < f.size() ? f.size() - offBits : 0;
        const std::uint64_t length =
            declared != 0 ? std::min<std::uint64_t>(declared, available) : available;
        p.offset = RleCode(f, offBits, length, compression == 2, width, x, p.row);
        if (p.offset)
            p.bytes.assign(f.begin() + static_cast<std::ptrdiff_t>(*p.offset),
                           f.begin() + static_cast<std::ptrdiff_t>(*p.offset + 2));
        return p;
    }
    const std::uint64_t first = p.rowOffset + static_cast<std::uint64_t>(x * bits / 8);
    p.offset = first;
    if (bits < 8)
        p.bit = 7 - static_cast<int>(x * bits % 8);
    const std::uint64_t n = bits < 8 ? 1 : static_cast<std::uint64_t>(bits / 8);
    for (std::uint64_t k = 0; k < n && first + k < f.size(); ++k)
        p.bytes.push_back(f[first + k]);
    return p;
}

} // namespace inspect
