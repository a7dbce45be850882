#include "inspect/pixel_decoder.h"

#include "platform/gdi/dib_format.h"

#include <algorithm>
#include <new>

namespace inspect {

PixelDecoder::PixelDecoder(std::span<const std::uint8_t> file)
    : m_file(file), m_layout(bmp::ParseFile(file)) {
    const bmp::Header& h = m_layout.header;
    m_width = h.width > 0 ? h.width : 0;
    m_height = static_cast<std::int64_t>(h.rows);
    const bool os2 = h.kind == bmp::HeaderKind::Os2;
    const int bits = h.bitCount;
    const std::uint32_t c = h.compression;
    if (!m_layout.signature || h.kind == bmp::HeaderKind::Unknown)
        m_refusal = "没有可读的信息头";
    else if (c == 4 && !os2)
        m_refusal = "像素数据是嵌入的 JPEG 图像";
    else if (c == 5)
        m_refusal = "像素数据是嵌入的 PNG 图像";
    else if (os2 && c == 3)
        m_refusal = "OS/2 的 Huffman 1D 压缩，Pixscope 不解码";
    else if (os2 && c == 4 && bits != 24)
        m_refusal = "RLE24 压缩与 " + std::to_string(bits) + " 位像素不符";
    else if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
             bits != 32)
        m_refusal = "像素位数 " + std::to_string(bits) + " 没有像素布局";
    else if ((c == 1 && bits != 8) || (c == 2 && bits != 4) || (c > 6 && c != 4))
        m_refusal = "压缩方式 " + std::to_string(c) + " 与 " + std::to_string(bits) + " 位像素不符";
    else if ((c == 3 || c == 6) &&
             (h.maskCount < 3 || h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0))
        m_refusal = "BI_BITFIELDS 的掩码为零，无法解码";
    const bool rle24 = os2 && c == 4;
    if (!m_refusal.empty() || (c != 1 && c != 2 && !rle24))
        return;
    // The stream as the open command reads it: its size, zeros past the file's end.
    const std::uint64_t off = m_layout.bfOffBits;
    const std::uint64_t held = off < file.size() ? file.size() - off : 0;
    const std::uint8_t* stream = off < file.size() ? file.data() + off : file.data();
    const auto inFile = static_cast<std::size_t>(std::min<std::uint64_t>(held, h.usedSize));
    m_runs = rle24 ? platform::gdi::RleIndex::Make24(stream, inFile, h.usedSize, m_width, m_height)
                   : platform::gdi::RleIndex::Make(stream, inFile, h.usedSize, m_width, m_height,
                                                   c == 2);
    if (m_runs == nullptr)
        throw std::bad_alloc();
}

Bgrs PixelDecoder::FromTable(unsigned index) const {
    const bmp::Header& h = m_layout.header;
    const std::uint64_t at = h.tableOffset + std::uint64_t{h.entrySize} * index;
    // Past the table, or past what the file holds of it: black.
    if (index >= h.entriesUsed || at + 3 > m_file.size() || at + 3 > m_layout.bfOffBits)
        return {};
    return Bgrs{m_file[at], m_file[at + 1], m_file[at + 2], 0};
}

std::optional<Bgrs> PixelDecoder::At(std::int64_t x, std::int64_t y) const {
    if (!m_refusal.empty() || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return std::nullopt;
    const bmp::Header& h = m_layout.header;
    const std::int64_t stored = h.height < 0 ? y : m_height - 1 - y;
    if (m_runs != nullptr && h.compression == 4) {
        const std::uint32_t v = m_runs->BgrAt(x, stored).value_or(0); // no code: black
        return Bgrs{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), 0};
    }
    if (h.compression == 1 || h.compression == 2)
        return FromTable(m_runs->IndexAt(x, stored).value_or(0)); // no code: entry 0, as drawn
    const int bits = h.bitCount;
    const std::uint64_t inRow =
        static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(bits) / 8;
    std::uint64_t rel = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(stored), h.stride, &rel) ||
        __builtin_add_overflow(rel, inRow, &rel))
        return Bgrs{}; // beyond any array: black, as drawn
    const std::uint64_t bytes = bits < 8 ? 1 : static_cast<std::uint64_t>(bits) / 8;
    // Past what the open command reads: black, as drawn; what the file lacks of it is
    // zeros, as the open command's array holds them.
    if (rel + bytes > h.usedSize)
        return Bgrs{};
    const std::uint64_t at = m_layout.bfOffBits + rel;
    std::uint32_t v = 0;
    for (std::uint64_t k = bytes; k-- > 0;)
        v = v << 8 | Byte(at + k);
    if (bits <= 8) {
        const int shift = 8 - bits - static_cast<int>((static_cast<std::uint64_t>(x) * bits) % 8);
        return FromTable((v >> shift) & ((1u << bits) - 1));
    }
    if (bits == 24)
        return Bgrs{Byte(at), Byte(at + 1), Byte(at + 2), 0};
    const bool masked = h.compression == 3 || h.compression == 6;
    if (bits == 32 && !masked)
        return Bgrs{Byte(at), Byte(at + 1), Byte(at + 2), Byte(at + 3)};
    const auto red = platform::gdi::Channel::FromMask(masked ? h.masks[0] : 0x7C00);
    const auto green = platform::gdi::Channel::FromMask(masked ? h.masks[1] : 0x03E0);
    const auto blue = platform::gdi::Channel::FromMask(masked ? h.masks[2] : 0x001F);
    // S is the fourth byte of a 32-bit pixel, as the read gives it, or the alpha mask's
    // field where an alpha mask is in force.
    std::uint8_t s = bits == 32 ? Byte(at + 3) : 0;
    if (h.maskCount == 4 && h.masks[3] != 0 &&
        (h.compression == 6 || h.kind != bmp::HeaderKind::Info))
        s = platform::gdi::Channel::FromMask(h.masks[3]).Extract(v);
    return Bgrs{blue.Extract(v), green.Extract(v), red.Extract(v), s};
}

} // namespace inspect
