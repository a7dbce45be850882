#include "inspect/pixel_location.h"

#include "bmp/checked.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"

#include <algorithm>

namespace inspect {

std::optional<PixelLocation> LocatePixel(std::span<const std::uint8_t> f, std::int64_t x,
                                         std::int64_t y, std::string& error, std::uint64_t at) {
    const bmp::File file = bmp::ParseFile(f, at);
    const bmp::Header& hd = file.header;
    if (!file.signature || hd.kind == bmp::HeaderKind::Unknown || hd.cut) {
        error = "没有可读的信息头";
        return std::nullopt;
    }
    const bmp::Decoder decoder = bmp::Decoder::OfFile(f, bmp::Rules::File, at);
    if (x < 0 || y < 0 || x >= hd.width || y >= static_cast<std::int64_t>(hd.rows)) {
        error = "输入的坐标超过图像大小了⊙﹏⊙b汗";
        return std::nullopt;
    }
    if (!decoder.Decodes()) {
        error = decoder.Refusal();
        return std::nullopt;
    }
    const bmp::PixelFormat& format = decoder.Format();
    PixelLocation p;
    p.x = x;
    p.y = y;
    p.row = format.topDown ? y : format.height - 1 - y;
    p.stride = format.stride;
    p.padding = p.stride - static_cast<std::uint64_t>((format.width * hd.bitCount + 7) / 8);
    const std::uint64_t offBits = file.bfOffBits;
    if (!bmp::CheckedMul(static_cast<std::uint64_t>(p.row), p.stride, p.rowOffset) ||
        !bmp::CheckedAdd(p.rowOffset, offBits, p.rowOffset)) {
        error = "像素的位置超出 64 位偏移";
        return std::nullopt;
    }
    p.runLength = format.IsRle();
    const auto bytes = decoder.BytesOf(x, y);
    if (!bytes) {
        // A pixel no code sets has no bytes; any other is past every offset.
        if (p.runLength)
            return p;
        if (format.encoding == bmp::Encoding::Embedded) {
            error = "像素在嵌入的 PNG/JPEG 流里，由整个流解码而来，没有只属于它的字节";
            return std::nullopt;
        }
        if (format.encoding == bmp::Encoding::Huffman) {
            error = "这一行的 Huffman 码在这个像素之前出错，没有哪个码设置它";
            return std::nullopt;
        }
        error = "像素的位置超出 64 位偏移";
        return std::nullopt;
    }
    p.offset = offBits + bytes->offset;
    p.bit = bytes->bit;
    p.read = bytes->read;
    // Only what the file holds, of what the reader takes: a code or row the file cuts
    // reads its missing bytes as 0.
    if (p.read && *p.offset < f.size()) {
        const std::uint64_t end = std::min<std::uint64_t>(*p.offset + bytes->size, f.size());
        p.bytes.assign(f.begin() + static_cast<std::ptrdiff_t>(*p.offset),
                       f.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return p;
}

} // namespace inspect
