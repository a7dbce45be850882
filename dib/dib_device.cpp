// CDib with the graphics system: halftone palettes, flipped drawing, DIB sections,
// device bitmaps, and run-length compression through the "driver" (our GetDIBits).
#include "dib/dib.h"
#include "dib/dib_functions.h"

#include "platform/allocator.h"
#include "platform/interaction.h"
#include "platform/trace.h"

#include <cstring>

namespace {

HDC HandleOf(CDC* pDC) {
    return pDC != nullptr ? pDC->GetSafeHdc() : nullptr;
}

} // namespace

BOOL CDib::MakeHalftonePalette(CDC* pDC) {
    if (m_nColorTableEntries != 0)
        return FALSE;
    if (m_hPal != nullptr)
        ::DeleteObject(m_hPal); // the palette it replaces is ours to free
    m_hPal = ::CreateHalftonePalette(HandleOf(pDC));
    return TRUE;
}

UINT CDib::RealizeIn(CDC* pDC, BOOL bBackground) {
    if (m_hPal == nullptr)
        return 0;
    ::SelectPalette(HandleOf(pDC), m_hPal, bBackground);
    return ::RealizePalette(HandleOf(pDC));
}

BOOL CDib::DrawFlipped(CDC* pDC, CPoint origin, CSize size, int nMode) {
    if (m_pInfo == nullptr)
        return FALSE;
    if (nMode == 1 && m_pBits != nullptr) {
        // The buffer holds the whole pixel array; memory the object does not own (a
        // mapped file, a section, attached memory) is left as it is and replaced by the
        // flipped, owned copy.
        auto* flipped = static_cast<BYTE*>(platform::AfxAllocZeroed(m_nImageSize));
        FlipRows(flipped, m_pBits);
        if (m_nBitsOwner == 1)
            platform::AfxFreeBlock(m_pBits);
        m_pBits = flipped;
        m_nBitsOwner = 1;
    }
    return Draw(pDC, origin, size);
}

HBITMAP CDib::CreateSection(CDC* pDC) {
    if (m_pInfo == nullptr || m_pBits != nullptr)
        return nullptr;
    void* bits = nullptr;
    m_hSection = ::CreateDIBSection(HandleOf(pDC), reinterpret_cast<const BITMAPINFO*>(m_pInfo),
                                    DIB_RGB_COLORS, &bits, nullptr, 0, m_nInfoSize);
    m_pBits = static_cast<BYTE*>(bits);
    if (m_hSection != nullptr)
        ClampToSection();
    return m_hSection;
}

void CDib::ClampToSection() {
    BITMAP bm{};
    std::uint64_t held = 0;
    // A section holds at most 4 GiB, so its stride fits 32 unsigned bits, though not
    // always the signed field that reports it.
    if (::GetObject(m_hSection, sizeof bm, &bm) != 0)
        held = std::uint64_t{static_cast<std::uint32_t>(bm.bmWidthBytes)} *
               static_cast<std::uint32_t>(bm.bmHeight);
    if (m_nImageSize > held)
        m_nImageSize = static_cast<DWORD>(held);
}

HBITMAP CDib::CreateDeviceBitmap(CDC* pDC) {
    if (m_nImageSize == 0 || m_pInfo == nullptr || m_pBits == nullptr)
        return nullptr;
    return ::CreateDIBitmap(HandleOf(pDC), m_pInfo, CBM_INIT, m_pBits,
                            reinterpret_cast<const BITMAPINFO*>(m_pInfo), DIB_RGB_COLORS,
                            m_nImageSize, m_nInfoSize);
}

BOOL CDib::CreateFromBitmap(HBITMAP hBitmap, HPALETTE hPal) {
    if (hBitmap == nullptr)
        return FALSE;
    Empty();
    BITMAP bm{};
    if (::GetObject(hBitmap, sizeof bm, &bm) == 0)
        return FALSE;
    int depth = bm.bmPlanes * bm.bmBitsPixel;
    int bitCount = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : 24;
    m_nColorTableEntries = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    std::size_t headerBytes =
        sizeof(BITMAPINFOHEADER) + 4 * static_cast<std::size_t>(m_nColorTableEntries);
    m_pInfo = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
    m_nInfoSize = static_cast<DWORD>(headerBytes);
    m_nInfoOwner = 1;
    m_nBitsOwner = 1;
    *m_pInfo = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                bm.bmWidth,
                                bm.bmHeight,
                                1,
                                static_cast<WORD>(bitCount),
                                BI_RGB,
                                0,
                                0,
                                0,
                                static_cast<DWORD>(m_nColorTableEntries),
                                static_cast<DWORD>(m_nColorTableEntries)};

    HDC screen = ::GetDC(nullptr);
    HPALETTE ownPalette = hPal == nullptr ? MakeScreenPalette() : nullptr;
    HPALETTE previous = ::SelectPalette(screen, hPal != nullptr ? hPal : ownPalette, FALSE);
    ::RealizePalette(screen);
    auto* info = reinterpret_cast<BITMAPINFO*>(m_pInfo);
    ::GetDIBits(screen, hBitmap, 0, static_cast<UINT>(m_pInfo->biHeight), nullptr, info,
                DIB_RGB_COLORS, m_nInfoSize);
    if (m_pInfo->biSizeImage == 0)
        m_pInfo->biSizeImage =
            static_cast<DWORD>((static_cast<std::uint64_t>(bitCount) * bm.bmWidth + 31) / 32 * 4 *
                               static_cast<std::uint64_t>(bm.bmHeight));
    BOOL ok = FALSE;
    try {
        m_pBits = static_cast<BYTE*>(platform::AfxAllocZeroed(m_pInfo->biSizeImage));
        ok = ::GetDIBits(screen, hBitmap, 0, static_cast<UINT>(m_pInfo->biHeight), m_pBits, info,
                         DIB_RGB_COLORS, m_nInfoSize) != 0;
        ComputeMetrics();
    } catch (CException* e) {
        e->Delete();
        ok = FALSE;
    }
    if (!ok)
        Empty();
    if (previous != nullptr)
        ::SelectPalette(screen, previous, TRUE);
    ::RealizePalette(screen);
    ::ReleaseDC(nullptr, screen);
    if (ownPalette != nullptr)
        ::DeleteObject(ownPalette);
    return ok;
}

BOOL CDib::Compress(CDC* pDC, BOOL bCompress) {
    if (m_pInfo == nullptr || m_pBits == nullptr || m_hSection != nullptr ||
        (m_pInfo->biBitCount != 4 && m_pInfo->biBitCount != 8))
        return FALSE;
    TRACE("Compress: original palette size = %d\n", m_nColorTableEntries);
    HDC hdc = HandleOf(pDC);
    HPALETTE previous = m_hPal != nullptr ? ::SelectPalette(hdc, m_hPal, FALSE) : nullptr;
    auto restorePalette = [&] {
        if (previous != nullptr)
            ::SelectPalette(hdc, previous, FALSE);
    };
    HBITMAP ddb = CreateDeviceBitmap(pDC);
    if (ddb == nullptr) {
        restorePalette();
        return FALSE;
    }
    std::size_t headerBytes =
        sizeof(BITMAPINFOHEADER) +
        4 * static_cast<std::size_t>(static_cast<DWORD>(m_nColorTableEntries));
    auto* copy = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
    std::memcpy(copy, m_pInfo, headerBytes);
    auto* info = reinterpret_cast<BITMAPINFO*>(copy);
    auto fail = [&](const char* message) {
        if (message != nullptr)
            AfxMessageBox(message);
        ::DeleteObject(ddb);
        platform::AfxFreeBlock(copy);
        restorePalette();
        return FALSE;
    };
    DWORD imageSize = 0;
    if (!bCompress) {
        copy->biCompression = BI_RGB;
        DWORD bits = static_cast<DWORD>(copy->biWidth) * copy->biBitCount;
        DWORD dwords = bits / 32 + (bits % 32 != 0 ? 1 : 0);
        imageSize = dwords * 4 * static_cast<DWORD>(copy->biHeight);
        copy->biSizeImage = imageSize;
    } else {
        copy->biCompression = copy->biBitCount == 4 ? BI_RLE4 : BI_RLE8;
        if (::GetDIBits(hdc, ddb, 0, static_cast<UINT>(copy->biHeight), nullptr, info,
                        DIB_RGB_COLORS, headerBytes) == 0)
            return fail("Unable to compress this DIB");
        if (copy->biSizeImage == 0)
            return fail("Driver can't do compression");
        imageSize = copy->biSizeImage;
    }
    BYTE* bits = nullptr;
    try {
        bits = static_cast<BYTE*>(platform::AfxAllocZeroed(imageSize));
    } catch (CMemoryException*) {
        fail(nullptr);
        throw;
    }
    if (::GetDIBits(hdc, ddb, 0, static_cast<UINT>(copy->biHeight), bits, info, DIB_RGB_COLORS,
                    headerBytes) == 0) {
        platform::AfxFreeBlock(bits);
        return fail(nullptr);
    }
    TRACE("dib successfully created - height = %d\n", static_cast<int>(copy->biHeight));
    ::DeleteObject(ddb);

    Empty();
    m_pInfo = copy;
    m_nInfoSize = static_cast<DWORD>(headerBytes);
    m_pBits = bits;
    m_nInfoOwner = 1;
    m_nBitsOwner = 1;
    ComputeMetrics();
    ComputeColorTableEntries(m_pInfo->biBitCount);
    MakePalette();
    restorePalette();
    TRACE("Compress: new palette size = %d\n", m_nColorTableEntries);
    return TRUE;
}
