#include "inspect/pixel_location.h"

#include "bmp/layout.h"
#include "platform/gdi/rle.h"

#include <algorithm>

namespace inspect {

std::optional<PixelLocation> LocatePixel(std::span<const std::uint8_t> f, std::int64_t x,
                                         std::int64_t y, std::string& error) {
    const bmp::File file = bmp::ParseFile(f);
    const bmp::Header& hd = file.header;
    if (!file.signature || hd.kind == bmp::HeaderKind::Unknown || hd.cut) {
        error = "没有可读的信息头";
        return std::nullopt;
    }
    const std::int64_t width = hd.width, height = static_cast<std::int64_t>(hd.rows);
    const int bits = hd.bitCount;
    const std::uint32_t compression = hd.compression, offBits = file.bfOffBits;
    if (x < 0 || y < 0 || x >= width || y >= height) {
        error = "输入的坐标超过图像大小了⊙﹏⊙b汗";
        return std::nullopt;
    }
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
        bits != 32) {
        error = "像素位数 " + std::to_string(bits) + " 没有像素布局";
        return std::nullopt;
    }
    const bool rle24 = hd.kind == bmp::HeaderKind::Os2 && compression == 4 && bits == 24;
    if (hd.kind == bmp::HeaderKind::Os2 && compression == 3) {
        error = "OS/2 的 Huffman 1D 压缩，没有按行存放的像素";
        return std::nullopt;
    }
    if (compression > 3 && compression != 6 && !rle24) {
        error = compression == 4 || compression == 5
                    ? std::string("像素数据是嵌入的 ") + (compression == 4 ? "JPEG" : "PNG") +
                          " 图像，没有按行存放的像素"
                    : "未知的压缩方式 " + std::to_string(compression) + "，没有像素布局";
        return std::nullopt;
    }
    PixelLocation p;
    p.x = x;
    p.y = y;
    p.row = hd.height < 0 ? y : height - 1 - y;
    p.stride = hd.stride;
    p.padding = p.stride - static_cast<std::uint64_t>((width * bits + 7) / 8);
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(p.row), p.stride, &p.rowOffset) ||
        __builtin_add_overflow(p.rowOffset, std::uint64_t{offBits}, &p.rowOffset)) {
        error = "像素的位置超出 64 位偏移";
        return std::nullopt;
    }
    // The bytes the open command reads from bfOffBits on; what the file lacks reads as 0.
    const std::uint32_t used = hd.usedSize;
    const std::uint64_t available = offBits < f.size() ? f.size() - offBits : 0;
    if (compression == 1 || compression == 2 || rle24) {
        p.runLength = true;
        const bool four = compression == 2;
        const auto onCode = [&](const platform::gdi::RleCode& code) {
            const platform::gdi::RleRun& r = code.run;
            if (code.kind != platform::gdi::RleCode::Kind::Run || r.y != p.row || x < r.x ||
                x >= r.x + r.n)
                return;
            // An encoded run is its whole code; a literal pixel is the bytes (at 4 bits, the
            // half byte) that hold it.
            const std::uint64_t k = static_cast<std::uint64_t>(x - r.x);
            const std::uint64_t each = rle24 ? 3 : 1;
            const std::uint64_t at =
                offBits + code.at + (r.absolute ? 2 + (four ? k / 2 : k * each) : 0);
            p.offset = at;
            if (r.absolute && four)
                p.bit = k % 2 == 0 ? 7 : 3;
            // Only what the file holds: a code it cuts reads its missing bytes as 0.
            const std::uint64_t end =
                std::min<std::uint64_t>(at + (r.absolute ? each : code.bytes), f.size());
            if (at < end)
                p.bytes.assign(f.begin() + static_cast<std::ptrdiff_t>(at),
                               f.begin() + static_cast<std::ptrdiff_t>(end));
        };
        const BYTE* stream = f.data() + std::min<std::uint64_t>(offBits, f.size());
        const auto held = static_cast<std::size_t>(std::min<std::uint64_t>(used, available));
        platform::gdi::WalkRleOfDepth(stream, held, used, width, height,
                                      rle24  ? 24
                                      : four ? 4
                                             : 8,
                                      onCode);
        return p;
    }
    const std::uint64_t first = p.rowOffset + static_cast<std::uint64_t>(x * bits / 8);
    p.offset = first;
    if (bits < 8)
        p.bit = 7 - static_cast<int>(x * bits % 8);
    const std::uint64_t n = bits < 8 ? 1 : static_cast<std::uint64_t>(bits / 8);
    // A pixel past what the open command reads is drawn black, whatever the file holds.
    p.read = first - offBits + n <= used;
    for (std::uint64_t k = 0; p.read && k < n && first + k < f.size(); ++k)
        p.bytes.push_back(f[first + k]);
    return p;
}

} // namespace inspect
