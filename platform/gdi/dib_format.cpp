#include "platform/gdi/dib_format.h"

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
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0)
        return std::nullopt;
    DibFormat f;
    f.width = h.biWidth;
    f.topDown = h.biHeight < 0;
    f.height = f.topDown ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
    f.bitCount = h.biBitCount;
    f.compression = h.biCompression;
    switch (h.biBitCount) {
    case 1:
    case 24:
        if (h.biCompression != BI_RGB)
            return std::nullopt;
        break;
    case 4:
    case 8:
        if (h.biCompression == BI_RGB)
            break;
        if ((h.biCompression == BI_RLE8 && h.biBitCount == 8) ||
            (h.biCompression == BI_RLE4 && h.biBitCount == 4)) {
            if (f.topDown)
                return std::nullopt;
            break;
        }
        return std::nullopt;
    case 16:
    case 32:
        if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    f.stride = static_cast<std::uint64_t>(DibRowBytes(f.width, f.bitCount));

    const auto* bytes = reinterpret_cast<const BYTE*>(info);
    std::size_t tableOffset = h.biSize;
    if (h.biCompression == BI_BITFIELDS) {
        // With a 40-byte header the three masks follow it; longer headers hold them.
        std::size_t maskOffset = sizeof(BITMAPINFOHEADER);
        if (infoLength < maskOffset + 12)
            return std::nullopt;
        std::uint32_t masks[3];
        std::memcpy(masks, bytes + maskOffset, sizeof masks);
        if (masks[0] == 0 || masks[1] == 0 || masks[2] == 0)
            return std::nullopt;
        f.masked = true;
        f.red = Channel::FromMask(masks[0]);
        f.green = Channel::FromMask(masks[1]);
        f.blue = Channel::FromMask(masks[2]);
        if (h.biSize == sizeof(BITMAPINFOHEADER))
            tableOffset += 12;
    } else if (f.bitCount == 16) {
        f.masked = true;
        f.red = Channel::FromMask(0x7C00);
        f.green = Channel::FromMask(0x03E0);
        f.blue = Channel::FromMask(0x001F);
    }

    if (f.bitCount <= 8) {
        std::uint32_t full = 1u << f.bitCount;
        std::uint32_t wanted = h.biClrUsed != 0 && h.biClrUsed < full ? h.biClrUsed : full;
        std::size_t available = infoLength > tableOffset ? (infoLength - tableOffset) / 4 : 0;
        f.paletteCount = wanted < available ? wanted : static_cast<std::uint32_t>(available);
        for (std::uint32_t i = 0; i < f.paletteCount; ++i) {
            const BYTE* q = bytes + tableOffset + 4 * static_cast<std::size_t>(i);
            f.palette[i] =
                0xFF000000u | (std::uint32_t{q[2]} << 16) | (std::uint32_t{q[1]} << 8) | q[0];
        }
        for (std::uint32_t i = f.paletteCount; i < 256; ++i)
            f.palette[i] = kBlack;
    }
    return f;
}

} // namespace platform::gdi
