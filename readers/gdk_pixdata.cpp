#include "readers/gdk_pixdata.h"

#include <algorithm>

namespace readers {

namespace {

std::uint32_t Big32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

} // namespace

bool PixdataSize(std::span<const std::uint8_t> b, std::int64_t& width, std::int64_t& height) {
    if (b.size() < 24 || Big32(b.data()) != 0x47646b50u)
        return false;
    width = Big32(&b[16]);
    height = Big32(&b[20]);
    return true;
}

codecs::RgbaPicture ReadPixdata(std::span<const std::uint8_t> b) {
    codecs::RgbaPicture out;
    if (b.size() < 24 || Big32(b.data()) != 0x47646b50u) {
        out.error = "not a GdkPixdata block";
        return out;
    }
    const std::uint32_t type = Big32(&b[8]), stride = Big32(&b[12]);
    const std::uint32_t width = Big32(&b[16]), height = Big32(&b[20]);
    const std::uint32_t channels = (type & 0xFF) == 1 ? 3 : (type & 0xFF) == 2 ? 4 : 0;
    // gdk-pixbuf-pixdata writes its pixels raw (encoding 1) unless asked for runs, and we
    // never ask.
    if (channels == 0 || ((type >> 16) & 0xFF) != 1 || type >> 24 != 1 ||
        std::uint64_t{width} * height > (std::uint64_t{1} << 30) ||
        std::uint64_t{stride} < std::uint64_t{width} * channels) {
        out.error = "a GdkPixdata block of a kind not read here";
        return out;
    }
    const std::uint64_t pixels = std::uint64_t{width} * height;
    constexpr std::size_t at = 24;
    if (stride != 0 && (b.size() - at) / stride < height) { // no stride: no columns
        out.error = "the GdkPixdata block is cut short";
        return out;
    }
    out.width = width;
    out.height = height;
    out.rgba.resize(static_cast<std::size_t>(pixels) * 4, 255);
    std::uint8_t* to = out.rgba.data();
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* from = b.data() + at + y * stride;
        for (std::size_t x = 0; x < width; ++x, to += 4, from += channels)
            std::copy(from, from + channels, to);
    }
    return out;
}

} // namespace readers
