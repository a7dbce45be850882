#include "dib/save_rules.h"

#include "bmp/checked.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"

namespace {

std::string N(std::uint64_t v) {
    return std::to_string(v);
}

// Whether the run-length stream ends, or sets every pixel, within the bytes held: a
// stream cut before that leaves pixels the file never set.
bool StreamWhole(const bmp::RleStream& s) {
    if (s.held >= s.length)
        return true;
    bmp::RleStream held = s;
    held.length = s.held;
    bool ended = false;
    std::int64_t set = 0;
    bmp::WalkRle(held, [&](const bmp::RleCode& code) {
        ended = ended || code.kind == bmp::RleCode::Kind::EndOfBitmap;
        set += code.run.n;
    });
    return ended || set >= s.width * s.height;
}

} // namespace

std::string SaveRefusal(const CDib& dib, SaveAs as) {
    if (dib.m_pInfo == nullptr || dib.m_pBits == nullptr)
        return "没有可以保存的位图";
    const BITMAPINFOHEADER& h = *dib.m_pInfo;
    if (h.biWidth <= 0 || h.biHeight == 0)
        return "图像的宽度是 " + std::to_string(h.biWidth) + "，高度是 " +
               std::to_string(h.biHeight) + "：没有可以保存的像素";
    const bmp::Decoder& d = *dib.CurrentDecoder();
    if (!d.Decodes())
        return d.Refusal() + "：像素不是这样存放的，保存的文件读不回它们";
    const bmp::PixelFormat& f = d.Format();
    const std::uint64_t held = dib.HeldBytes();
    if (f.IsRle()) {
        if (!StreamWhole(d.Stream()))
            return "像素数据不完整：文件只有 " + N(held) + " 字节的游程编码流，biSizeImage 声明 " +
                   N(dib.m_nImageSize) + " 字节";
    } else {
        std::uint64_t rows = 0;
        const bool fits = bmp::CheckedMul(f.stride, static_cast<std::uint64_t>(f.height), rows);
        if (!fits || rows > dib.m_nImageSize)
            return (h.biSizeImage != 0
                        ? "像素数据不完整：biSizeImage 只有 " + N(dib.m_nImageSize) + " 字节"
                        : "像素数据不完整：按尺寸算出的大小在 32 位里回绕成 " +
                              N(dib.m_nImageSize) + " 字节") +
                   "，这幅图的行需要 " + (fits ? N(rows) : std::string("超过 2^64")) + " 字节";
        if (held < rows)
            return "像素数据不完整：文件只有 " + N(held) + " 字节，这幅图的行需要 " + N(rows) +
                   " 字节";
    }
    if (as == SaveAs::Rgb555) {
        const auto outRow = static_cast<std::uint64_t>(bmp::RowBytes(f.width, 16));
        std::uint64_t size = 0;
        if (!bmp::CheckedMul(outRow, static_cast<std::uint64_t>(f.height), size) ||
            size > 0xFFFFFFFFu)
            return "这幅图转换成 16 位后超过 4 GiB，位图的大小字段存不下";
    }
    return "";
}
