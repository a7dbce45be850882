// CDib::GetDrawnPixel: the colour the preview gives a pixel, for the commands that show
// a pixel to the user. It asks the same decoder the drawing asks, so the read and the
// picture cannot disagree; where the preview draws nothing (2 bits, BI_ALPHABITFIELDS),
// it gives what the structure view shows.
#include "dib/decoder_cache.h"
#include "dib/dib.h"

#include "bmp/pixel_write.h"

#include <algorithm>
#include <cstring>

const bmp::Decoder* CDib::CurrentDecoder() const {
    if (m_pInfo == nullptr)
        return nullptr;
    const auto* info = reinterpret_cast<const BYTE*>(m_pInfo);
    const DWORD key = std::min(m_nInfoSize, DecoderCache::kKeyBytes);
    DecoderCache* c = m_pDecoder.get();
    const DWORD held = m_pBits != nullptr ? HeldBytes() : 0;
    if (c != nullptr && c->info == info && c->bits == m_pBits && c->length == m_nImageSize &&
        c->held == held && c->header.size() == key && std::memcmp(c->header.data(), info, key) == 0)
        return &c->decoder;
    m_pDecoder.reset();
    const bmp::Header h = bmp::ParseHeader({info, m_nInfoSize});
    const auto table =
        h.tableOffset < m_nInfoSize
            ? std::span<const BYTE>(info + h.tableOffset, m_nInfoSize - h.tableOffset)
            : std::span<const BYTE>();
    m_pDecoder.reset(
        new DecoderCache{std::vector<BYTE>(info, info + key), info, m_pBits, m_nImageSize, held,
                         bmp::Decoder(h, table, {m_pBits, held}, m_nImageSize, bmp::Rules::File)});
    return &m_pDecoder->decoder;
}

RGBQUAD CDib::GetDrawnPixel(int x, int y) const {
    if (m_pInfo == nullptr || m_pBits == nullptr)
        return {0, 0, 0, 0};
    const bmp::Decoder* decoder = CurrentDecoder();
    // Where nothing decodes the format, the bytes as the plain read gives them.
    if (!decoder->Decodes())
        return GetPixel(x, y);
    const auto p = decoder->At(x, y).value_or(bmp::Bgrs{});
    return {p.b, p.g, p.r, p.s};
}

// Through the decoder where it reads 16, 24 or 32-bit pixels; refused there and only
// there when the masks can't hold the value.
std::string CDib::DrawnPixelRefusal(int x, int y, RGBQUAD value) const {
    const bmp::Decoder* d = m_pBits != nullptr ? CurrentDecoder() : nullptr;
    const std::int64_t p = PixelOffset(x, y);
    if (d == nullptr || !d->Decodes() || d->Format().encoding != bmp::Encoding::Masked || p < 0)
        return "";
    return bmp::EncodePixel(d->Format(),
                            {value.rgbBlue, value.rgbGreen, value.rgbRed, value.rgbReserved}, 0)
        .refusal;
}

void CDib::SetDrawnPixel(int x, int y, RGBQUAD value) {
    const bmp::Decoder* d = m_pBits != nullptr ? CurrentDecoder() : nullptr;
    const std::int64_t p = PixelOffset(x, y);
    if (d == nullptr || !d->Decodes() || d->Format().encoding != bmp::Encoding::Masked || p < 0) {
        SetPixel(x, y, value);
        return;
    }
    const int bytes = d->Format().bits / 8;
    std::uint32_t old = 0;
    for (int k = 0; k < bytes; ++k)
        old |= std::uint32_t{ByteAt(p + k)} << (8 * k);
    const bmp::EncodedPixel stored = bmp::EncodePixel(
        d->Format(), {value.rgbBlue, value.rgbGreen, value.rgbRed, value.rgbReserved}, old);
    if (!stored.refusal.empty())
        return;
    for (int k = 0; k < bytes; ++k)
        if (static_cast<std::uint64_t>(p) + k < m_nImageSize)
            m_pBits[p + k] = static_cast<BYTE>(stored.value >> (8 * k));
}
