#include "platform/gdi/dib_format.h"

#include "bmp/layout.h"

#include <algorithm>

#include <cstring>

namespace platform::gdi {

Channel Channel::FromMask(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = __builtin_ctz(mask);
    c.bits = 32 - __builtin_clz(mask) - c.shift;
    if (c.bits <= 8) {
        // Replicate the top bits downwards: 5 bits 10000 become 10000100.
        for (std::uint32_t v = 0; v < (1u << c.bits); ++v) {
            std::uint32_t out = v << (8 - c.bits);
            for (int filled = c.bits; filled < 8; filled += c.bits)
                out |= out >> c.bits;
            c.widened[v] = static_cast<BYTE>(out);
        }
    }
    return c;
}

std::size_t ClaimedInfoLength(const BITMAPINFOHEADER& h) {
    std::size_t bytes = h.biSize;
    if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER))
        bytes += 12;
    if (h.biBitCount <= 8) {
        DWORD full = 1u << h.biBitCount;
        bytes += 4 * static_cast<std::size_t>(h.biClrUsed != 0 && h.biClrUsed < full ? h.biClrUsed
                                                                                     : full);
    }
    return bytes;
}

std::optional<DibFormat> ParseDibFormat(const BITMAPINFO* info, std::size_t infoLength) {
    if (info == nullptr || infoLength < sizeof(BITMAPINFOHEADER))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const BYTE*>(info);
    const bmp::Header h = bmp::ParseHeader(std::span(bytes, infoLength));
    if (h.size < sizeof(BITMAPINFOHEADER) || h.width <= 0 || h.height == 0)
        return std::nullopt;
    DibFormat f;
    f.width = h.width;
    f.topDown = h.height < 0;
    f.height = static_cast<std::int64_t>(h.rows);
    f.bitCount = h.bitCount;
    f.compression = h.compression;
    switch (h.bitCount) {
    case 1:
    case 24:
        if (h.compression != BI_RGB)
            return std::nullopt;
        break;
    case 4:
    case 8:
        if (h.compression == BI_RGB)
            break;
        if ((h.compression == BI_RLE8 && h.bitCount == 8) ||
            (h.compression == BI_RLE4 && h.bitCount == 4)) {
            if (f.topDown)
                return std::nullopt;
            break;
        }
        return std::nullopt;
    case 16:
    case 32:
        if (h.compression != BI_RGB && h.compression != BI_BITFIELDS)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    f.stride = h.stride;

    if (h.compression == BI_BITFIELDS) {
        if (h.maskCount < 3 || infoLength < h.masksOffset + 12)
            return std::nullopt;
        if (h.masks[0] == 0 || h.masks[1] == 0 || h.masks[2] == 0)
            return std::nullopt;
        f.masked = true;
        f.red = Channel::FromMask(h.masks[0]);
        f.green = Channel::FromMask(h.masks[1]);
        f.blue = Channel::FromMask(h.masks[2]);
    } else if (f.bitCount == 16) {
        f.masked = true;
        f.red = Channel::FromMask(0x7C00);
        f.green = Channel::FromMask(0x03E0);
        f.blue = Channel::FromMask(0x001F);
    }

    if (f.bitCount <= 8) {
        const std::size_t available =
            infoLength > h.tableOffset ? (infoLength - h.tableOffset) / h.entrySize : 0;
        f.paletteCount =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(h.entriesUsed, available));
        for (std::uint32_t i = 0; i < f.paletteCount; ++i) {
            const BYTE* q = bytes + h.tableOffset + std::size_t{h.entrySize} * i;
            f.palette[i] =
                0xFF000000u | (std::uint32_t{q[2]} << 16) | (std::uint32_t{q[1]} << 8) | q[0];
        }
        for (std::uint32_t i = f.paletteCount; i < 256; ++i)
            f.palette[i] = kBlack;
    }
    return f;
}

} // namespace platform::gdi
