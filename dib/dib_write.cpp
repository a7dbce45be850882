// CDib writing: a compact BMP file of file header, header block and pixel array.
#include "dib/dib.h"

#include "bmp/checked.h"
#include "bmp/layout.h"
#include "platform/allocator.h"
#include "platform/interaction.h"
#include "platform/kernel.h"
#include "platform/progress.h"

#include <algorithm>
#include <cstring>

namespace {

// The file header before a header block of headerBytes and the pixel array.
BITMAPFILEHEADER BuildFileHeader(std::uint64_t headerBytes, DWORD imageSize) {
    const auto offBits = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + headerBytes);
    return BITMAPFILEHEADER{0x4D42, offBits + imageSize, 0, 0, offBits};
}

} // namespace

void CDib::FlipRows(BYTE* dst, const BYTE* src) const {
    // Whole pixels move at 8 bits and more; below that whole byte rows do, since a
    // row's pixels cannot be told apart by bytes. A top-down picture's rows reverse too.
    std::int64_t W = m_pInfo->biWidth, H = bmp::RowCount(m_pInfo->biHeight);
    int b = m_pInfo->biBitCount / 8;
    std::int64_t stride = b > 0 ? (b * W + 3) / 4 * 4 : (W * m_pInfo->biBitCount + 31) / 32 * 4;
    std::int64_t rowBytes = b > 0 ? b * W : stride;
    if (stride <= 0 || rowBytes <= 0)
        return;
    for (std::int64_t i = 0; i < H; ++i) {
        auto to = static_cast<std::uint64_t>(i * stride);
        std::uint64_t from = 0;
        if (!bmp::CheckedMul(static_cast<std::uint64_t>(H - i - 1),
                             static_cast<std::uint64_t>(stride), from))
            from = UINT64_MAX; // beyond any array
        if (to >= m_nImageSize)
            break;
        // What a short array lacks reads as 0.
        std::uint64_t n =
            std::min<std::uint64_t>(static_cast<std::uint64_t>(rowBytes), m_nImageSize - to);
        std::uint64_t have =
            from < m_nImageSize ? std::min<std::uint64_t>(n, m_nImageSize - from) : 0;
        std::memcpy(dst + to, src + (have > 0 ? from : 0), have);
        std::memset(dst + to + have, 0, n - have);
    }
}

std::uint64_t CDib::HeaderPieceBytes() const {
    // The masks a 40-byte header calls for stand between it and the colour table: a file
    // without them would say what its pixels are no longer.
    std::uint64_t masks = 0;
    if (m_pInfo != nullptr) {
        const bmp::Header h =
            bmp::ParseHeader({reinterpret_cast<const BYTE*>(m_pInfo), m_nInfoSize});
        if (h.kind == bmp::HeaderKind::Info)
            masks = 4 * static_cast<std::uint64_t>(h.maskCount);
    }
    return sizeof(BITMAPINFOHEADER) + masks +
           4 * std::uint64_t{static_cast<DWORD>(m_nColorTableEntries)};
}

// Writes the three pieces, each with one write; throws on a write error. Write is
// WriteFlipped without flipping. A header block
// or pixel array that is missing, or shorter than the pieces, is a write error too:
// nothing past either is ever read.
void CDib::WritePieces(CFile* pFile) {
    const std::uint64_t headerBytes = HeaderPieceBytes();
    if (m_pInfo == nullptr || m_pBits == nullptr || headerBytes > m_nInfoSize)
        AfxThrowFileException(CFileException::genericException);
    pFile->Write(&m_fileHeader, sizeof m_fileHeader);
    pFile->Write(m_pInfo, static_cast<UINT>(headerBytes));
    // Large arrays go in pieces, so that the save can show how far it has got.
    constexpr DWORD kPiece = DWORD{8} << 20;
    DWORD done = 0;
    do {
        const UINT n = std::min(kPiece, m_nImageSize - done);
        pFile->Write(m_pBits + done, n);
        done += n;
        platform::ProgressScope::Step(done, m_nImageSize);
    } while (done < m_nImageSize);
}

BOOL CDib::Write(CFile* pFile) {
    return WriteFlipped(pFile, FALSE);
}

BOOL CDib::WriteFlipped(CFile* pFile, BOOL bFlip) {
    m_fileHeader = BuildFileHeader(HeaderPieceBytes(), m_nImageSize);
    if (bFlip && m_pInfo != nullptr && m_pBits != nullptr) {
        auto* buffer = static_cast<BYTE*>(platform::AfxAllocCopy(m_pBits, m_nImageSize));
        FlipRows(m_pBits, buffer);
        platform::AfxFreeBlock(buffer);
    }
    try {
        WritePieces(pFile);
    } catch (CException* e) {
        e->Delete();
        AfxMessageBox("write error");
        return FALSE;
    }
    return TRUE;
}

// The header block and pixels of a mapped object move into memory of its own, so that
// creating a file anew (perhaps the very file mapped) cannot pull them away.
void CDib::DetachFromMapping() {
    if (m_hMapFile == nullptr)
        return;
    auto* info = static_cast<BYTE*>(platform::AfxAllocCopy(m_pInfo, m_nInfoSize));
    BYTE* bits = nullptr;
    try {
        bits = static_cast<BYTE*>(platform::AfxAllocCopy(m_pBits, m_nImageSize));
    } catch (...) {
        platform::AfxFreeBlock(info);
        throw;
    }
    UnmapFile();
    m_pMapView = nullptr;
    m_hMapping = nullptr;
    m_pInfo = reinterpret_cast<BITMAPINFOHEADER*>(info);
    m_pColorTable = reinterpret_cast<RGBQUAD*>(info + sizeof(BITMAPINFOHEADER));
    m_pBits = bits;
    m_nInfoOwner = 1;
    m_nBitsOwner = 1;
}

BOOL CDib::SaveToMappedFile(LPCSTR pszPath) {
    if (m_pInfo == nullptr || m_pBits == nullptr)
        return FALSE;
    DetachFromMapping();
    const std::uint64_t headerBytes = HeaderPieceBytes();
    std::uint64_t total = sizeof(BITMAPFILEHEADER) + headerBytes + m_nImageSize;
    BITMAPFILEHEADER fh = BuildFileHeader(headerBytes, m_nImageSize);

    // Nothing changes in the object until the file, its mapping and its view all exist.
    HANDLE file = INVALID_HANDLE_VALUE, mapping = nullptr;
    LPVOID view = nullptr;
    if (headerBytes <= m_nInfoSize) {
        file = ::CreateFile(pszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            mapping =
                ::CreateFileMapping(file, nullptr, PAGE_READWRITE, static_cast<DWORD>(total >> 32),
                                    static_cast<DWORD>(total), nullptr);
        if (mapping != nullptr)
            view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    }
    if (view == nullptr) {
        if (mapping != nullptr)
            ::CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE)
            ::CloseHandle(file);
        AfxMessageBox("write error");
        return FALSE;
    }
    m_fileHeader = fh;
    auto* bytes = static_cast<BYTE*>(view);
    std::memcpy(bytes, &m_fileHeader, sizeof m_fileHeader);
    std::memcpy(bytes + sizeof(BITMAPFILEHEADER), m_pInfo, headerBytes);
    std::memcpy(bytes + sizeof(BITMAPFILEHEADER) + headerBytes, m_pBits, m_nImageSize);

    DWORD imageSize = m_nImageSize;
    Empty();
    m_nImageSize = imageSize;
    m_pInfo = reinterpret_cast<BITMAPINFOHEADER*>(bytes + sizeof(BITMAPFILEHEADER));
    m_pBits = bytes + sizeof(BITMAPFILEHEADER) + headerBytes;
    m_nInfoSize = static_cast<DWORD>(headerBytes);
    m_nInfoOwner = 0;
    m_nBitsOwner = 0;
    m_hMapFile = file;
    m_hMapping = mapping;
    m_pMapView = view;
    ComputeColorTableEntries(m_pInfo->biBitCount);
    try {
        ComputeMetrics();
    } catch (CException* e) {
        // A header this object held can't be refused here; if it is, nothing stays.
        e->Delete();
        Empty();
        AfxMessageBox("write error");
        return FALSE;
    }
    if (m_nImageSize > imageSize)
        m_nImageSize = imageSize; // the view holds no more than what was copied
    MakePalette();
    return TRUE;
}
