// CDib depth conversions: to 16-bit 5-5-5 for saving, and from 16 bits to 24 or 32.
//
// A 24-bit picture converts straight from its bytes, as the read command shows them,
// whatever its compression field says. Any other depth converts from the colours the
// preview shows for it, row by row from the picture's decoder, which knows every format
// and never reads past the array. A 16-bit 5-5-5 picture is already what saving wants
// and stays as it is. What can't be converted so that it reads back, the save rules
// refuse first.
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "dib/decoder_cache.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/progress.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The size of a converted array, which must fit the header's 32-bit size field.
DWORD ConvertedSize(std::uint64_t outRow, std::uint64_t rows) {
    std::uint64_t size = outRow * rows; // both below 2^34 and 2^31
    if (size > 0xFFFFFFFFu)
        AfxThrowMemoryException();
    return static_cast<DWORD>(size);
}

inline WORD Pack555(BYTE b, BYTE g, BYTE r) {
    return static_cast<WORD>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

inline void PutWord(BYTE* p, WORD w) {
    p[0] = static_cast<BYTE>(w);
    p[1] = static_cast<BYTE>(w >> 8);
}

// One row of 24-bit pixels to 5-5-5; the caller guarantees that the row's pixels are
// inside the source.
void Row555Scalar(const BYTE* s, BYTE* d, std::int64_t count) {
    for (std::int64_t j = 0; j < count; ++j, s += 3)
        PutWord(d + 2 * j, Pack555(s[0], s[1], s[2]));
}

#if defined(__x86_64__)
// Eight pixels a step: each 16-byte load spreads four 3-byte pixels into 32-bit lanes,
// and the packed words come from shifts and masks. Needs SSSE3 for the byte shuffle.
__attribute__((target("ssse3"))) void Row555Ssse3(const BYTE* s, BYTE* d, std::int64_t count,
                                                  std::int64_t sourceBytes) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i blue = _mm_set1_epi32(0x001F), green = _mm_set1_epi32(0x03E0),
                  red = _mm_set1_epi32(0x7C00);
    std::int64_t j = 0;
    // Each step reads bytes 3j .. 3j + 27 of the row.
    for (; j + 8 <= count && 3 * j + 28 <= sourceBytes; j += 8) {
        __m128i a =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * j)), spread);
        __m128i b = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * j + 12)), spread);
        auto pack = [&](__m128i v) {
            return _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 3), blue),
                                             _mm_and_si128(_mm_srli_epi32(v, 6), green)),
                                _mm_and_si128(_mm_srli_epi32(v, 9), red));
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * j), _mm_packs_epi32(pack(a), pack(b)));
    }
    Row555Scalar(s + 3 * j, d + 2 * j, count - j);
}
#endif

// Converts `count` pixels of a row whose source holds `sourceBytes` readable bytes.
void Row555(const BYTE* s, BYTE* d, std::int64_t count, std::int64_t sourceBytes) {
#if defined(__x86_64__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        Row555Ssse3(s, d, count, sourceBytes);
        return;
    }
#endif
    (void)sourceBytes;
    Row555Scalar(s, d, count);
}

} // namespace

void CDib::AttachConverted(BYTE* bits, int bitCount, DWORD size) {
    if (m_nBitsOwner == 1)
        platform::AfxFreeBlock(m_pBits);
    m_pBits = bits;
    m_nBitsOwner = 1;
    m_pInfo->biBitCount = static_cast<WORD>(bitCount);
    m_pInfo->biSizeImage = size;
    m_nImageSize = size;
}

void CDib::ConvertTo555() {
    const BITMAPINFOHEADER& h = *m_pInfo;
    std::int64_t W = std::max<std::int64_t>(0, h.biWidth);
    std::int64_t H = bmp::RowCount(h.biHeight);
    std::uint64_t outRow = static_cast<std::uint64_t>((W * 16 / 8 + 3) / 4 * 4);
    const bmp::PixelFormat& format = CurrentDecoder()->Format();
    if (format.encoding == bmp::Encoding::Masked && format.bits == 16 && !format.masksGiven) {
        // Already what saving wants. Only the rows' bytes are pixels: a size field that
        // claims gigabytes more must not make the save write them.
        const std::uint64_t rows = outRow * static_cast<std::uint64_t>(H);
        if (m_nImageSize > rows) {
            m_nImageSize = static_cast<DWORD>(rows);
            m_pInfo->biSizeImage = m_nImageSize;
        }
        return;
    }
    DWORD size = ConvertedSize(outRow, static_cast<std::uint64_t>(H));
    auto* out = static_cast<BYTE*>(platform::AfxAllocZeroed(size));
    // Freed if the work stops half-way (no memory, or the user cancelled): the picture
    // stays as it was.
    std::unique_ptr<BYTE, void (*)(void*)> owned(out, platform::AfxFreeBlock);

    if (h.biBitCount == 24 && W > 0) { // rows of no pixels: nothing to convert
        auto inRow = static_cast<std::uint64_t>(bmp::RowBytes(W, 24));
        std::uint64_t need = static_cast<std::uint64_t>(3 * W);
        for (std::int64_t i = 0; i < H; ++i) {
            platform::ProgressScope::Step(static_cast<std::uint64_t>(i),
                                          static_cast<std::uint64_t>(H));
            std::uint64_t start = static_cast<std::uint64_t>(i) * inRow;
            BYTE* d = out + static_cast<std::uint64_t>(i) * outRow;
            if (start + need <= m_nImageSize) {
                Row555(m_pBits + start, d, W, static_cast<std::int64_t>(m_nImageSize - start));
                continue;
            }
            // A row the array holds only partly: what it lacks converts as black.
            auto at = [&](std::uint64_t k) {
                return start + k < m_nImageSize ? m_pBits[start + k] : BYTE{0};
            };
            for (std::int64_t j = 0; j < W; ++j) {
                auto k = static_cast<std::uint64_t>(3 * j);
                PutWord(d + 2 * j, Pack555(at(k), at(k + 1), at(k + 2)));
            }
        }
    } else if (h.biBitCount != 24) {
        ConvertTo555FromAnyDepth(out, outRow);
    }
    m_pInfo->biCompression = BI_RGB;
    AttachConverted(owned.release(), 16, size);
}

void CDib::ConvertTo555FromAnyDepth(BYTE* out, std::uint64_t outRow) {
    const bmp::Decoder& d = *CurrentDecoder();
    const std::int64_t W = d.Width(), H = d.Height();
    if (W == 0 || H == 0)
        return;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(W));
    // Stored rows in their own order: the output keeps it, top-down or not.
    const bool topDown = d.Format().topDown;
    for (std::int64_t stored = 0; stored < H; ++stored) {
        platform::ProgressScope::Step(static_cast<std::uint64_t>(stored),
                                      static_cast<std::uint64_t>(H));
        d.Row(topDown ? stored : H - 1 - stored, row.data());
        BYTE* o = out + static_cast<std::uint64_t>(stored) * outRow;
        for (std::int64_t j = 0; j < W; ++j) {
            const std::uint32_t p = row[static_cast<std::size_t>(j)];
            PutWord(o + 2 * j, Pack555(static_cast<BYTE>(p), static_cast<BYTE>(p >> 8),
                                       static_cast<BYTE>(p >> 16)));
        }
    }
}

void CDib::ConvertFrom16(int outBytes, bool is565) {
    if (m_pInfo->biBitCount != 16)
        return;
    std::int64_t W = std::max<std::int64_t>(0, m_pInfo->biWidth);
    std::int64_t H = bmp::RowCount(m_pInfo->biHeight);
    auto inRow = static_cast<std::uint64_t>(bmp::RowBytes(W, 16));
    std::uint64_t outRow = static_cast<std::uint64_t>((outBytes * W + 3) / 4 * 4);
    DWORD size = ConvertedSize(outRow, static_cast<std::uint64_t>(H));
    auto* out = static_cast<BYTE*>(platform::AfxAllocZeroed(size));
    auto at = [this](std::uint64_t k) { return k < m_nImageSize ? m_pBits[k] : BYTE{0}; };
    for (std::int64_t i = 0; i < H; ++i) {
        for (std::int64_t j = 0; j < W; ++j) {
            std::uint64_t in =
                static_cast<std::uint64_t>(i) * inRow + static_cast<std::uint64_t>(2 * j);
            BYTE lo = at(in), hi = at(in + 1);
            BYTE* d = out + static_cast<std::uint64_t>(i) * outRow +
                      static_cast<std::uint64_t>(outBytes * j);
            d[0] = static_cast<BYTE>((lo & 0x1F) << 3);
            if (is565) {
                d[1] = static_cast<BYTE>(((hi & 7) << 5) | ((lo & 0xE0) >> 3));
                d[2] = static_cast<BYTE>(hi & 0xF8);
            } else {
                d[1] = static_cast<BYTE>(((hi & 3) << 6) | ((lo & 0xE0) >> 2));
                d[2] = static_cast<BYTE>((hi & 0x7C) << 1);
            }
        }
    }
    // The masks described the 16-bit pixels; the new ones are plain.
    m_pInfo->biCompression = BI_RGB;
    AttachConverted(out, outBytes * 8, size);
}

void CDib::Convert565To24() {
    ConvertFrom16(3, true);
}
void CDib::Convert565To32() {
    ConvertFrom16(4, true);
}
void CDib::Convert555To24() {
    ConvertFrom16(3, false);
}
void CDib::Convert555To32() {
    ConvertFrom16(4, false);
}
