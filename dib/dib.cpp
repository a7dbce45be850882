// CDib: construction, emptying, the quantities derived from the header, and the palette.
#include "dib/dib.h"

#include "bmp/layout.h"
#include "dib/decoder_cache.h"
#include "platform/allocator.h"
#include "platform/kernel.h"
#include "platform/trace.h"

#include <cstring>

IMPLEMENT_SERIAL(CDib, CObject, 0)

CDib::CDib()
    : m_fileHeader{}, m_pColorTable(nullptr), m_hSection(nullptr), m_pBits(nullptr),
      m_pInfo(nullptr), m_hInfoGlobal(nullptr), m_nInfoOwner(0), m_nBitsOwner(0), m_nImageSize(0),
      m_nColorTableEntries(0), m_hMapFile(nullptr), m_hMapping(nullptr), m_pMapView(nullptr),
      m_hPal(nullptr), m_nInfoSize(0) {
    Empty();
}

CDib::CDib(CSize size, int nBitCount) : CDib() {
    CreateBlank(size, nBitCount);
}

CDib::~CDib() {
    Empty();
}

void CDib::AttachNewHeader(std::size_t bytes) {
    m_pInfo = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(bytes));
    m_nInfoOwner = 1;
    m_nInfoSize = static_cast<DWORD>(bytes);
}

void CDib::FillHeader(CSize size, int nBitCount, DWORD sizeImage) {
    m_pInfo->biSize = sizeof(BITMAPINFOHEADER);
    m_pInfo->biWidth = size.cx;
    m_pInfo->biHeight = size.cy;
    m_pInfo->biPlanes = 1;
    m_pInfo->biBitCount = static_cast<WORD>(nBitCount);
    m_pInfo->biCompression = BI_RGB;
    m_pInfo->biSizeImage = sizeImage;
    m_pInfo->biXPelsPerMeter = 0;
    m_pInfo->biYPelsPerMeter = 0;
    m_pInfo->biClrUsed = static_cast<DWORD>(m_nColorTableEntries);
    m_pInfo->biClrImportant = static_cast<DWORD>(m_nColorTableEntries);
}

// The header block of a blank picture: 40 bytes and its colour table. The allocator
// zero-fills, which is also the colour table's required content.
static std::size_t BlankHeaderBytes(int entries) {
    return sizeof(BITMAPINFOHEADER) + 4 * static_cast<std::size_t>(static_cast<DWORD>(entries));
}

void CDib::CreateBlank(CSize size, int nBitCount) {
    Empty();
    ComputeColorTableEntries(nBitCount);
    AttachNewHeader(BlankHeaderBytes(m_nColorTableEntries));
    FillHeader(size, nBitCount, 0);
    std::memset(&m_fileHeader, 0, sizeof m_fileHeader);
    ComputeMetrics();
}

BOOL CDib::ResetHeader(CSize size, int nBitCount) {
    // Counted while the old header is attached, so its nonzero biClrUsed wins.
    ComputeColorTableEntries(nBitCount);
    DWORD oldSizeImage = m_pInfo != nullptr ? m_pInfo->biSizeImage : 0;
    auto* fresh = static_cast<BITMAPINFOHEADER*>(
        platform::AfxAllocZeroed(BlankHeaderBytes(m_nColorTableEntries)));
    // Attached memory holds the pixels in the same block as the header: they move to a
    // block of their own before that block is freed.
    const auto header = reinterpret_cast<std::uintptr_t>(m_pInfo);
    const auto pixels = reinterpret_cast<std::uintptr_t>(m_pBits);
    if (m_nInfoOwner != 0 && m_nBitsOwner == 0 && m_pBits != nullptr && pixels >= header &&
        pixels - header <= m_nInfoSize) {
        try {
            m_pBits = static_cast<BYTE*>(platform::AfxAllocCopy(m_pBits, m_nImageSize));
        } catch (...) {
            platform::AfxFreeBlock(fresh);
            throw;
        }
        m_nBitsOwner = 1;
    }
    // Only a block this object owns is freed; one it merely points at stays its owner's.
    if (m_nInfoOwner == 1) {
        platform::AfxFreeBlock(m_pInfo);
    } else if (m_nInfoOwner == 2) {
        ::GlobalUnlock(m_hInfoGlobal);
        ::GlobalFree(m_hInfoGlobal);
        m_hInfoGlobal = nullptr;
    }
    m_pInfo = fresh;
    m_nInfoOwner = 1;
    m_nInfoSize = static_cast<DWORD>(BlankHeaderBytes(m_nColorTableEntries));
    FillHeader(size, nBitCount, oldSizeImage);
    std::memset(&m_fileHeader, 0, sizeof m_fileHeader);
    DWORD heldBytes = m_nImageSize;
    ComputeMetrics();
    // The pixel array stays, so its size can't grow with the new header's figures (a
    // negative width, say): nothing may later read past what is really there.
    if (m_pBits != nullptr && m_nImageSize > heldBytes)
        m_nImageSize = heldBytes;
    return MakePalette();
}

void CDib::UnmapFile() {
    if (m_hMapFile == nullptr)
        return;
    ::UnmapViewOfFile(m_pMapView);
    ::CloseHandle(m_hMapping);
    ::CloseHandle(m_hMapFile);
    m_hMapFile = nullptr;
}

void CDib::Empty() {
    UnmapFile();
    m_pDecoder.reset();
    if (m_nInfoOwner == 1) {
        platform::AfxFreeBlock(m_pInfo);
    } else if (m_nInfoOwner == 2) {
        ::GlobalUnlock(m_hInfoGlobal);
        ::GlobalFree(m_hInfoGlobal);
    }
    if (m_nBitsOwner == 1)
        platform::AfxFreeBlock(m_pBits);
    if (m_hPal != nullptr)
        ::DeleteObject(m_hPal);
    if (m_hSection != nullptr)
        ::DeleteObject(m_hSection);
    m_nInfoOwner = 0;
    m_nBitsOwner = 0;
    m_hInfoGlobal = nullptr;
    m_pInfo = nullptr;
    m_pBits = nullptr;
    m_pColorTable = nullptr;
    m_nColorTableEntries = 0;
    m_nImageSize = 0;
    m_nInfoSize = 0;
    m_pHeldBits = nullptr;
    m_nBitsHeld = 0;
    m_pMapView = nullptr;
    m_hMapping = nullptr;
    m_hMapFile = nullptr;
    m_hSection = nullptr;
    m_hPal = nullptr;
}

CSize CDib::GetDimensions() const {
    if (m_pInfo == nullptr)
        return {0, 0};
    return {m_pInfo->biWidth, m_pInfo->biHeight};
}

void CDib::AdoptBits(void* pBits) {
    m_pDecoder.reset();
    m_pBits = static_cast<BYTE*>(pBits);
    m_nBitsOwner = 1;
}

void CDib::ComputeMetrics() {
    if (m_pInfo->biSize != sizeof(BITMAPINFOHEADER)) {
        TRACE("Not a valid Windows bitmap -- probably an OS/2 bitmap\n");
        AfxThrowFileException(CFileException::none);
    }
    m_nImageSize = bmp::UsedImageSize(m_pInfo->biWidth, m_pInfo->biHeight, m_pInfo->biBitCount,
                                      m_pInfo->biSizeImage);
    m_pColorTable =
        reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pInfo) + sizeof(BITMAPINFOHEADER));
}

void CDib::ComputeColorTableEntries(int nBitCount) {
    if (m_pInfo != nullptr && m_pInfo->biClrUsed != 0) {
        m_nColorTableEntries = static_cast<int>(m_pInfo->biClrUsed);
        return;
    }
    switch (nBitCount) {
    case 1:
        m_nColorTableEntries = 2;
        break;
    case 4:
        m_nColorTableEntries = 16;
        break;
    case 8:
        m_nColorTableEntries = 256;
        break;
    case 16:
    case 24:
    case 32:
        m_nColorTableEntries = 0;
        break;
    default:
        break;
    }
}

int CDib::GetColorTableBytes() const {
    if (m_pInfo == nullptr)
        return 0;
    DWORD entries = m_pInfo->biClrUsed;
    if (entries == 0 && m_pInfo->biBitCount <= 8)
        entries = m_pInfo->biBitCount < 32 ? (DWORD{1} << m_pInfo->biBitCount) : 0;
    int count = static_cast<WORD>(entries);
    return count * (m_pInfo->biSize == 12 ? 3 : 4);
}

BOOL CDib::MakePalette() {
    if (m_nColorTableEntries == 0)
        return FALSE;
    if (m_hPal != nullptr)
        ::DeleteObject(m_hPal);
    TRACE("CDib::MakePalette -- m_nColorTableEntries = %d\n", m_nColorTableEntries);
    // The palette holds a 16-bit count, so only that many entries can ever reach it.
    auto count = static_cast<WORD>(m_nColorTableEntries);
    auto* pal = static_cast<LOGPALETTE*>(platform::AfxAllocZeroed(4 + 4 * std::size_t{count}));
    pal->palVersion = 0x300;
    pal->palNumEntries = count;
    auto* entries = reinterpret_cast<PALETTEENTRY*>(reinterpret_cast<BYTE*>(pal) + 4);
    for (WORD i = 0; i < count; ++i)
        entries[i] = PALETTEENTRY{m_pColorTable[i].rgbRed, m_pColorTable[i].rgbGreen,
                                  m_pColorTable[i].rgbBlue, 0};
    m_hPal = ::CreatePalette(pal);
    platform::AfxFreeBlock(pal);
    return TRUE;
}
