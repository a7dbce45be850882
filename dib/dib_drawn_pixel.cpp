// CDib::GetDrawnPixel: the colour the preview gives a pixel, for the commands that show
// a pixel to the user. It asks the same decoder the drawing asks, so the read and the
// picture cannot disagree.
#include "dib/decoder_cache.h"
#include "dib/dib.h"

#include <algorithm>
#include <cstring>

const bmp::Decoder* CDib::CurrentDecoder() const {
    if (m_pInfo == nullptr)
        return nullptr;
    const auto* info = reinterpret_cast<const BYTE*>(m_pInfo);
    const DWORD key = std::min(m_nInfoSize, DecoderCache::kKeyBytes);
    DecoderCache* c = m_pDecoder.get();
    if (c != nullptr && c->info == info && c->bits == m_pBits && c->length == m_nImageSize &&
        c->header.size() == key && std::memcmp(c->header.data(), info, key) == 0)
        return &c->decoder;
    m_pDecoder.reset();
    const bmp::Header h = bmp::ParseHeader({info, m_nInfoSize});
    const auto table =
        h.tableOffset < m_nInfoSize
            ? std::span<const BYTE>(info + h.tableOffset, m_nInfoSize - h.tableOffset)
            : std::span<const BYTE>();
    const DWORD held = m_pBits != nullptr ? m_nImageSize : 0;
    m_pDecoder.reset(new DecoderCache{
        std::vector<BYTE>(info, info + key), info, m_pBits, m_nImageSize,
        bmp::Decoder(h, table, {m_pBits, held}, m_nImageSize, bmp::Rules::File),
        bmp::Classify(h, bmp::Rules::Drawing, m_nInfoSize >= h.masksOffset + 12).Decodes()});
    return &m_pDecoder->decoder;
}

RGBQUAD CDib::GetDrawnPixel(int x, int y) const {
    if (m_pInfo == nullptr || m_pBits == nullptr)
        return {0, 0, 0, 0};
    const bmp::Decoder* decoder = CurrentDecoder();
    // Where no drawing takes the format, the bytes as the plain read gives them.
    if (!m_pDecoder->drawable)
        return GetPixel(x, y);
    const auto p = decoder->At(x, y).value_or(bmp::Bgrs{});
    return {p.b, p.g, p.r, p.s};
}
