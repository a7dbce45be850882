// CDib::GetDrawnPixel: the colour the preview gives a pixel, for the commands that show
// a pixel to the user. It asks the drawing's own format parse and pixel fetch, so the
// read and the picture cannot disagree.
#include "dib/dib.h"

#include "platform/gdi/dib_format.h"
#include "platform/gdi/pixel_fetch.h"
#include "platform/gdi/rle_index.h"

const platform::gdi::RleIndex* CDib::DecodedRle() const {
    if (m_pInfo == nullptr || m_pBits == nullptr)
        return nullptr;
    const auto f =
        platform::gdi::ParseDibFormat(reinterpret_cast<const BITMAPINFO*>(m_pInfo), m_nInfoSize);
    if (!f || !f->IsRle())
        return nullptr;
    const bool fourBit = f->compression == BI_RLE4;
    if (m_pDecodedRle == nullptr ||
        !m_pDecodedRle->Describes(m_pBits, m_nImageSize, f->width, f->height, fourBit))
        m_pDecodedRle =
            platform::gdi::RleIndex::Make(m_pBits, m_nImageSize, f->width, f->height, fourBit);
    return m_pDecodedRle.get();
}

RGBQUAD CDib::GetDrawnPixel(int x, int y) const {
    if (m_pInfo == nullptr || m_pBits == nullptr)
        return {0, 0, 0, 0};
    const auto f =
        platform::gdi::ParseDibFormat(reinterpret_cast<const BITMAPINFO*>(m_pInfo), m_nInfoSize);
    if (!f)
        return GetPixel(x, y);
    if (x < 0 || y < 0 || x >= f->width || y >= f->height)
        return {0, 0, 0, 0};
    std::uint32_t colour = 0;
    if (f->IsRle()) {
        const std::int64_t stored = f->height - 1 - y;
        std::optional<BYTE> index;
        if (const platform::gdi::RleIndex* decoded = DecodedRle()) {
            index = decoded->IndexAt(x, stored);
        } else {
            // No memory for the index: this read walks the stream itself.
            platform::gdi::DecodeRle(m_pBits, m_nImageSize, f->width, f->height,
                                     f->compression == BI_RLE4,
                                     [&](const platform::gdi::RleRun& run) {
                                         if (run.y == stored && run.x <= x && x < run.x + run.n)
                                             index = run.At(x - run.x);
                                     });
        }
        colour = f->palette[index.value_or(0)];
    } else {
        colour = platform::gdi::UncompressedPixel(*f, m_pBits, m_nImageSize, x, y);
    }
    const std::int64_t p = f->bitCount == 32 ? PixelOffset(x, y) : -1;
    const BYTE s = p >= 0 ? ByteAt(p + 3) : BYTE{0};
    return {static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8),
            static_cast<BYTE>(colour >> 16), s};
}
