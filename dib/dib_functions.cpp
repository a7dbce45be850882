#include "dib/dib_functions.h"

#include "bmp/checked.h"
#include "bmp/colour_table.h"
#include "bmp/layout.h"
#include "bmp/open_rule.h"
#include "platform/allocator.h"
#include "platform/gdi/dib_decoder.h"

#include "platform/interaction.h"
#include "platform/kernel.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

HPALETTE g_screenPalette = nullptr;

std::uint64_t RowRuleSize(const BITMAPINFOHEADER& h) {
    return static_cast<std::uint64_t>(bmp::RowBytes(h.biWidth, h.biBitCount)) *
           static_cast<std::uint64_t>(bmp::RowCount(h.biHeight));
}

HPALETTE PaletteFrom(const PALETTEENTRY* entries, WORD count) {
    HGLOBAL block = ::GlobalAlloc(GHND, 4 + 4 * std::size_t{count});
    auto* pal = static_cast<LOGPALETTE*>(::GlobalLock(block));
    if (pal == nullptr)
        return nullptr;
    pal->palVersion = 0x300;
    pal->palNumEntries = count;
    std::memcpy(reinterpret_cast<BYTE*>(pal) + 4, entries, 4 * std::size_t{count});
    HPALETTE result = ::CreatePalette(pal);
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    return result;
}

} // namespace

HPALETTE MakeScreenPalette() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr)
        return nullptr;
    int bits = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
    // 2^32 entries cannot be a palette: a deeper display gets the 256 a system palette has.
    UINT count = bits >= 1 && bits <= 8 ? 1u << bits : 256u;
    HGLOBAL block = ::GlobalAlloc(GHND, 4 + 4 * std::size_t{count});
    auto* pal = static_cast<LOGPALETTE*>(::GlobalLock(block));
    if (pal == nullptr) {
        ::ReleaseDC(nullptr, screen);
        return nullptr;
    }
    pal->palVersion = 0x300;
    pal->palNumEntries = static_cast<WORD>(count);
    ::GetSystemPaletteEntries(screen, 0, count,
                              reinterpret_cast<PALETTEENTRY*>(reinterpret_cast<BYTE*>(pal) + 4));
    g_screenPalette = ::CreatePalette(pal);
    ::GlobalUnlock(block);
    ::GlobalFree(block);
    ::ReleaseDC(nullptr, screen);
    return g_screenPalette;
}

HPALETTE DuplicatePalette(HPALETTE hPal) {
    UINT count = ::GetPaletteEntries(hPal, 0, 0, nullptr);
    if (count == 0)
        return nullptr;
    std::unique_ptr<PALETTEENTRY[]> entries(new PALETTEENTRY[count]);
    ::GetPaletteEntries(hPal, 0, count, entries.get());
    return PaletteFrom(entries.get(), static_cast<WORD>(count));
}

BOOL LoadDibFromFile(CFile* pFile, BITMAPINFOHEADER** ppHeader, BYTE** ppBits) {
    *ppHeader = nullptr;
    *ppBits = nullptr;
    BITMAPINFOHEADER* header = nullptr;
    try {
        BITMAPFILEHEADER fh{};
        const UINT got = pFile->Read(&fh, sizeof fh);
        const bmp::File start = bmp::ParseFile({reinterpret_cast<const BYTE*>(&fh), got});
        if (got < sizeof fh || !start.signature ||
            fh.bfOffBits < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
            AfxThrowFileException(CFileException::none, -1);
        DWORD headerBytes = fh.bfOffBits - sizeof(BITMAPFILEHEADER);
        header = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
        pFile->Read(header, headerBytes);
        // The open command's rule over what was read: a 40-byte header and its table.
        if (bmp::OpenCommandRefusal({reinterpret_cast<const BYTE*>(&fh), sizeof fh},
                                    {reinterpret_cast<const BYTE*>(header), headerBytes}))
            AfxThrowFileException(CFileException::none, -1);
        if (header->biSizeImage == 0) {
            std::uint64_t size = RowRuleSize(*header);
            if (size > 0xFFFFFFFFu)
                AfxThrowFileException(CFileException::none, -1);
            header->biSizeImage = static_cast<DWORD>(size);
        }
        auto* bits = static_cast<BYTE*>(platform::AfxAllocZeroed(header->biSizeImage));
        try {
            pFile->Read(bits, header->biSizeImage);
        } catch (...) {
            platform::AfxFreeBlock(bits);
            throw;
        }
        *ppHeader = header;
        *ppBits = bits;
        return TRUE;
    } catch (CException* e) {
        platform::AfxFreeBlock(header);
        AfxMessageBox("Read error");
        e->Delete();
        return FALSE;
    }
}

HPALETTE MakeColorTablePalette(const RGBQUAD* pColorTable, const BITMAPINFOHEADER* pHeader) {
    // Depths with no colour table of their own, 2 among them, get none.
    const std::uint64_t entries = bmp::LoaderEntries(pHeader->biBitCount, pHeader->biClrUsed);
    if (entries == 0)
        return nullptr;
    auto count = static_cast<WORD>(entries > 0xFFFF ? 0xFFFF : entries);
    std::unique_ptr<PALETTEENTRY[]> pal(new PALETTEENTRY[count]);
    for (WORD i = 0; i < count; ++i)
        pal[i] =
            PALETTEENTRY{pColorTable[i].rgbRed, pColorTable[i].rgbGreen, pColorTable[i].rgbBlue, 0};
    return PaletteFrom(pal.get(), count);
}

BOOL StretchDibToDC(CDC* pDC, const BITMAPINFO* pInfo, const BYTE* pBits, int x, int y, int cx,
                    int cy, HPALETTE hPal) {
    if (pInfo == nullptr)
        return FALSE;
    const BITMAPINFOHEADER& h = pInfo->bmiHeader;
    if (hPal != nullptr)
        ::SelectPalette(pDC->GetSafeHdc(), hPal, TRUE);
    pDC->SetStretchBltMode(COLORONCOLOR);
    // The caller vouches for the header's figures, so they bound the reads.
    std::size_t info = platform::gdi::ClaimedInfoLength(h);
    std::size_t bits =
        h.biSizeImage != 0 ? h.biSizeImage : static_cast<std::size_t>(RowRuleSize(h));
    ::StretchDIBits(pDC->GetSafeHdc(), x, y, cx, cy, 0, 0, h.biWidth, h.biHeight, pBits, pInfo,
                    DIB_RGB_COLORS, SRCCOPY, bits, info);
    return TRUE;
}

BOOL DibFromDeviceBitmap(HBITMAP hBitmap, CDib& target, HPALETTE hPal) {
    return target.CreateFromBitmap(hBitmap, hPal);
}

BOOL DuplicateDib(const CDib& source, CDib& target) {
    target.Empty();
    try {
        std::uint64_t headerBytes =
            sizeof(BITMAPINFOHEADER) +
            4 * std::uint64_t{static_cast<DWORD>(source.m_nColorTableEntries)};
        if (source.m_pInfo == nullptr || source.m_pBits == nullptr ||
            headerBytes > source.m_nInfoSize || source.m_pInfo->biSize != sizeof(BITMAPINFOHEADER))
            AfxThrowFileException(CFileException::none, -1);
        target.m_pInfo = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
        target.m_nInfoOwner = 1;
        target.m_nInfoSize = static_cast<DWORD>(headerBytes);
        std::memcpy(target.m_pInfo, source.m_pInfo, headerBytes);
        target.ComputeMetrics();
        target.ComputeColorTableEntries(target.m_pInfo->biBitCount);
        target.MakePalette();
        target.m_pBits = static_cast<BYTE*>(platform::AfxAllocZeroed(target.m_nImageSize));
        target.m_nBitsOwner = 1;
        // Only what the source really holds is copied; the rest stays zero.
        std::memcpy(target.m_pBits, source.m_pBits,
                    std::min(target.m_nImageSize, source.m_nImageSize));
        return TRUE;
    } catch (CException* e) {
        e->Delete();
        AfxMessageBox("Copy DIB error");
        target.Empty();
        return FALSE;
    }
}

BOOL GrabScreenArea(RECT rect, CDib& target) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return FALSE;
    HDC screen = ::CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, ::GetDeviceCaps(screen, HORZRES));
    rect.bottom = std::min<LONG>(rect.bottom, ::GetDeviceCaps(screen, VERTRES));
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        ::DeleteDC(screen);
        return FALSE;
    }
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(mem, old);
    HPALETTE pal = MakeScreenPalette();
    const BOOL captured = bmp != nullptr && target.CreateFromBitmap(bmp, pal);
    ::DeleteObject(pal);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::DeleteDC(screen);
    return captured;
}
