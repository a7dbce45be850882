#include "bmp/pixel_format.h"

namespace bmp {
namespace {

std::string N(std::int64_t v) {
    return std::to_string(v);
}

bool KnownDepth(int bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32 || bits == 64;
}

// Why a file's pixels do not decode, or empty: every header kind, any row order.
std::string FileRefusal(const Header& h) {
    const int bits = h.bitCount;
    const PixelStorage s = StorageOf(h);
    if (h.kind == HeaderKind::Unknown)
        return "没有可读的信息头";
    if (s.kind == Storage::Jpeg || s.kind == Storage::Png)
        return ""; // the stream says what its pixels are
    if (s.kind == Storage::Cmyk)
        return std::string("CMYK 像素（") + CompressionName(h.compression, false) +
               "）只在打印机的缓冲文件里出现，是给打印机的数据，不是屏幕上的图像；Pixscope "
               "说明它的字节，不绘制它";
    if (s.kind == Storage::Huffman && bits != 1)
        return "Huffman 1D 压缩只用于 1 位像素，这里是 " + N(bits) + " 位";
    if (s.kind == Storage::Huffman)
        return "";
    if (s.kind == Storage::RunLength && s.streamBits == 24 && bits != 24)
        return "RLE24 压缩与 " + N(bits) + " 位像素不符";
    if (!KnownDepth(bits))
        return "像素位数 " + N(bits) + " 没有像素布局";
    if (s.kind == Storage::Unknown || (s.kind == Storage::RunLength && bits != s.streamBits))
        return "压缩方式 " + N(h.compression) + " 与 " + N(bits) + " 位像素不符";
    if (s.masks && (h.maskCount < 3 || h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0))
        return "BI_BITFIELDS 的掩码为零，无法解码";
    if (bits == 64 && s.kind != Storage::Rows)
        return "压缩方式 " + N(h.compression) + " 与 64 位像素不符";
    if (bits == 64 && s.masks)
        return "64 位像素没有掩码";
    return "";
}

// Why the drawing takes no pixels of the header, or empty.
std::string DrawingRefusal(const Header& h, bool masksHeld) {
    const int bits = h.bitCount;
    const std::uint32_t c = h.compression;
    if (h.size < 40 || h.width <= 0 || h.height == 0)
        return "信息头不到 40 字节，或宽度、高度不能绘制";
    switch (bits) {
    case 1:
    case 24:
        if (c != kRgb)
            return "压缩方式 " + N(c) + " 与 " + N(bits) + " 位像素不符";
        break;
    case 4:
    case 8:
        if (c == kRgb)
            break;
        if ((c == kRle8 && bits == 8) || (c == kRle4 && bits == 4)) {
            if (h.height < 0)
                return "游程编码的位图不能自上而下存放";
            break;
        }
        return "压缩方式 " + N(c) + " 与 " + N(bits) + " 位像素不符";
    case 16:
    case 32:
        if (c != kRgb && c != kBitfields)
            return "压缩方式 " + N(c) + " 与 " + N(bits) + " 位像素不符";
        break;
    default:
        return "像素位数 " + N(bits) + " 没有像素布局";
    }
    if (c == kBitfields &&
        (h.maskCount < 3 || !masksHeld || h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0))
        return "BI_BITFIELDS 的掩码为零，无法解码";
    return "";
}

} // namespace

PixelStorage StorageOf(const Header& h) {
    // Only OS/2 2.x has compressions of its own; an OS/2 1.x header has no such field.
    const bool os2 = h.kind == HeaderKind::Os2;
    switch (h.compression) {
    case kRgb:
        return {};
    case kRle8:
        return {Storage::RunLength, 8, false};
    case kRle4:
        return {Storage::RunLength, 4, false};
    case kBitfields:
        return os2 ? PixelStorage{Storage::Huffman, 0, false}
                   : PixelStorage{Storage::Rows, 0, true};
    case kJpeg:
        return os2 ? PixelStorage{Storage::RunLength, 24, false}
                   : PixelStorage{Storage::Jpeg, 0, false};
    case kPng:
        return {Storage::Png, 0, false};
    case kAlphaBitfields:
        return {Storage::Rows, 0, true};
    case kCmyk:
    case kCmykRle8:
    case kCmykRle4:
        return {Storage::Cmyk, 0, false};
    default:
        return {Storage::Unknown, 0, false};
    }
}

CompressionCheck CheckCompression(const Header& h) {
    const PixelStorage s = StorageOf(h);
    const int bits = h.bitCount;
    switch (s.kind) {
    case Storage::Jpeg:
        return {CompressionCheck::Embedded, "JPEG", ""};
    case Storage::Png:
        return {CompressionCheck::Embedded, "PNG", ""};
    case Storage::RunLength:
        if (bits != s.streamBits)
            return {CompressionCheck::WrongDepth,
                    s.streamBits == 8   ? "RLE8 压缩"
                    : s.streamBits == 4 ? "RLE4 压缩"
                                        : "RLE24 压缩",
                    s.streamBits == 8   ? "8"
                    : s.streamBits == 4 ? "4"
                                        : "24"};
        return {};
    case Storage::Rows:
        if (s.masks && bits != 16 && bits != 32)
            return {CompressionCheck::WrongDepth, "BI_BITFIELDS", "16 或 32"};
        return {};
    case Storage::Unknown:
    case Storage::Cmyk:
        return {CompressionCheck::Unknown, "", ""};
    default:
        return {};
    }
}

PixelFormat Classify(const Header& h, Rules rules, bool masksHeld) {
    PixelFormat f;
    f.compression = h.compression;
    f.bits = h.bitCount;
    f.topDown = h.height < 0;
    f.width = h.width > 0 ? h.width : 0;
    f.height = static_cast<std::int64_t>(h.rows);
    f.stride = h.stride;
    f.refusal = rules == Rules::Drawing ? DrawingRefusal(h, masksHeld) : FileRefusal(h);
    if (!f.refusal.empty())
        return f;
    const PixelStorage s = StorageOf(h);
    const bool masked = s.masks;
    if (s.kind == Storage::Jpeg || s.kind == Storage::Png) {
        f.encoding = Encoding::Embedded;
        f.alphaInForce = true;
    } else if (s.kind == Storage::Huffman) {
        f.encoding = Encoding::Huffman;
    } else if (f.bits == 64) {
        f.encoding = Encoding::Rgba64;
        f.alphaInForce = true;
    } else if (s.kind == Storage::RunLength) {
        f.encoding = Encoding::Rle;
        f.bits = s.streamBits;
    } else if (f.bits <= 8) {
        f.encoding = Encoding::Indexed;
    } else if (f.bits == 24 || (f.bits == 32 && !masked)) {
        f.encoding = Encoding::Bgr;
    } else {
        f.encoding = Encoding::Masked;
        f.masksGiven = masked;
        f.red = Channel::FromMask(masked ? h.masks[0] : 0x7C00);
        f.green = Channel::FromMask(masked ? h.masks[1] : 0x03E0);
        f.blue = Channel::FromMask(masked ? h.masks[2] : 0x001F);
        // An alpha mask is in force with BI_ALPHABITFIELDS, and with BI_BITFIELDS in a
        // header whose fourth mask is its own.
        if (masked && h.maskCount == 4 && h.masks[3] != 0 &&
            (h.compression == kAlphaBitfields || h.kind != HeaderKind::Info)) {
            f.alpha = Channel::FromMask(h.masks[3]);
            f.alphaInForce = true;
        }
    }
    return f;
}

const char* CompressionName(std::uint32_t c, bool os2) {
    if (os2 && c == kBitfields)
        return "Huffman 1D";
    if (os2 && c == kJpeg)
        return "RLE24";
    static constexpr const char* kNames[] = {
        "BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG", "BI_PNG", "BI_ALPHABITFIELDS"};
    if (c < std::size(kNames))
        return kNames[c];
    if (c == kCmyk)
        return "BI_CMYK";
    if (c == kCmykRle8)
        return "BI_CMYKRLE8";
    if (c == kCmykRle4)
        return "BI_CMYKRLE4";
    return nullptr;
}

const char* ClassicCompressionName(std::uint32_t c) {
    return c <= kBitfields ? CompressionName(c, false) : nullptr;
}

} // namespace bmp
