// The further CDib loaders: reversed rows, into a DIB section, a mapped file, and a
// packed DIB already in memory. Each keeps Read's limits: nothing past the header
// block, the file or the memory given is ever read.
#include "dib/dib.h"

#include "bmp/layout.h"

#include "bmp/checked.h"
#include "platform/allocator.h"
#include "platform/interaction.h"
#include "platform/kernel.h"

#include <algorithm>

BOOL CDib::ReadFlipped(CFile* pFile, BOOL bFlip) {
    BYTE* buffer = nullptr;
    try {
        ReadHeaderBlock(pFile, 1);
        m_pBits = static_cast<BYTE*>(platform::AfxAllocZeroed(m_nImageSize));
        if (!bFlip) {
            pFile->Read(m_pBits, m_nImageSize);
            return TRUE;
        }
        buffer = static_cast<BYTE*>(platform::AfxAllocZeroed(m_nImageSize));
        pFile->Read(buffer, m_nImageSize);
        FlipRows(m_pBits, buffer);
        platform::AfxFreeBlock(buffer);
        return TRUE;
    } catch (CException* e) {
        platform::AfxFreeBlock(buffer);
        NoteFailure(e);
        AfxMessageBox("Read error");
        e->Delete();
        return FALSE;
    }
}

BOOL CDib::ReadSection(CFile* pFile, CDC* pDC) {
    try {
        ReadHeaderBlock(pFile, 0);
        if (m_pInfo->biCompression != BI_RGB)
            Refuse(); // a DIB section holds no compressed data
        RealizeIn(pDC, FALSE);
        void* bits = nullptr;
        m_hSection = ::CreateDIBSection(pDC != nullptr ? pDC->GetSafeHdc() : nullptr,
                                        reinterpret_cast<const BITMAPINFO*>(m_pInfo),
                                        DIB_RGB_COLORS, &bits, nullptr, 0, m_nInfoSize);
        if (m_hSection == nullptr)
            Refuse();
        m_pBits = static_cast<BYTE*>(bits);
        ClampToSection();
        pFile->Read(m_pBits, m_nImageSize);
        return TRUE;
    } catch (CException* e) {
        NoteFailure(e);
        AfxMessageBox("ReadSection error");
        e->Delete();
        return FALSE;
    }
}

BOOL CDib::MapFile(LPCSTR pszPath, BOOL bShare) {
    Empty();
    HANDLE file = ::CreateFile(pszPath, GENERIC_READ | GENERIC_WRITE, bShare ? FILE_SHARE_READ : 0,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE mapping = file != INVALID_HANDLE_VALUE
                         ? ::CreateFileMapping(file, nullptr, PAGE_READWRITE, 0, 0, nullptr)
                         : nullptr;
    LPVOID view = mapping != nullptr ? ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    auto release = [&] {
        if (view != nullptr)
            ::UnmapViewOfFile(view);
        if (mapping != nullptr)
            ::CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE)
            ::CloseHandle(file);
    };
    if (view == nullptr) {
        release();
        AfxMessageBox("Empty bitmap file");
        return FALSE;
    }
    DWORD high = 0;
    std::uint64_t length = ::GetFileSize(file, &high);
    length |= std::uint64_t{high} << 32;
    const auto* bytes = static_cast<BYTE*>(view);
    if (!bmp::ParseFile({bytes, static_cast<std::size_t>(std::min<std::uint64_t>(length, 14))})
             .signature) {
        release();
        AfxMessageBox("Invalid bitmap file");
        return FALSE;
    }
    // A file the packed DIB does not fit is refused, and nothing of it stays attached.
    std::uint64_t dibLength =
        length >= sizeof(BITMAPFILEHEADER) ? length - sizeof(BITMAPFILEHEADER) : 0;
    if (!AttachMemory(static_cast<BYTE*>(view) + sizeof(BITMAPFILEHEADER), FALSE, nullptr,
                      dibLength)) {
        Empty();
        release();
        return FALSE;
    }
    m_pMapView = view;
    m_hMapFile = file;
    m_hMapping = mapping;
    return TRUE;
}

BOOL CDib::AttachMemory(void* pHeader, BOOL bMustDelete, HGLOBAL hGlobal) {
    // The memory's length is known when it lies in a global block.
    std::uint64_t length = UINT64_MAX;
    if (hGlobal != nullptr) {
        auto* base = static_cast<BYTE*>(::GlobalLock(hGlobal));
        ::GlobalUnlock(hGlobal);
        auto* p = static_cast<BYTE*>(pHeader);
        std::size_t size = ::GlobalSize(hGlobal);
        if (base != nullptr && p >= base && p <= base + size)
            length = static_cast<std::uint64_t>(base + size - p);
    }
    return AttachMemory(pHeader, bMustDelete, hGlobal, length);
}

BOOL CDib::AttachMemory(void* pHeader, BOOL bMustDelete, HGLOBAL hGlobal, std::uint64_t length) {
    Empty();
    if (length < sizeof(BITMAPINFOHEADER)) {
        // Too short to hold even the header: nothing of it can be read, so nothing is
        // attached; memory handed over to be freed is freed now.
        if (bMustDelete && hGlobal != nullptr) {
            ::GlobalUnlock(hGlobal);
            ::GlobalFree(hGlobal);
        } else if (bMustDelete) {
            platform::AfxFreeBlock(pHeader);
        }
        AfxMessageBox("AttachMemory error");
        return FALSE;
    }
    m_hInfoGlobal = hGlobal;
    m_nInfoOwner = !bMustDelete ? 0 : hGlobal != nullptr ? 2 : 1;
    m_pInfo = static_cast<BITMAPINFOHEADER*>(pHeader);
    try {
        ComputeMetrics();
        ComputeColorTableEntries(m_pInfo->biBitCount);
        std::uint64_t table = 4 * std::uint64_t{static_cast<DWORD>(m_nColorTableEntries)};
        if (!bmp::RangeInside(sizeof(BITMAPINFOHEADER), table + m_nImageSize, length))
            Refuse();
        m_nInfoSize = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + table);
        m_pBits = reinterpret_cast<BYTE*>(m_pColorTable) + table;
        MakePalette();
        return TRUE;
    } catch (CException* e) {
        AfxMessageBox("AttachMemory error");
        e->Delete();
        return FALSE;
    }
}
