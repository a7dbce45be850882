// CDib::Read: loading a BMP file with a 40-byte information header.
//
// The header block is everything between the file header and bfOffBits, so gap bytes
// after the colour table are kept. A block too small for the information header and
// its colour table is refused: reading the table would leave the block. What a short
// file does not hold stays zero, because the allocator hands out zeroed blocks and
// keeps large ones lazy, so a file that declares gigabytes costs only what it has.
#include "dib/dib.h"

#include "platform/allocator.h"
#include "platform/checked_math.h"
#include "platform/interaction.h"
#include "platform/progress.h"

#include <algorithm>

namespace {

constexpr WORD kBitmapMagic = 0x4D42; // "BM"

} // namespace

void CDib::Refuse() {
    AfxThrowFileException(CFileException::none, -1);
}

void CDib::ReadHeaderBlock(CFile* pFile, int bitsOwner) {
    Empty();
    if (pFile->Read(&m_fileHeader, sizeof m_fileHeader) < sizeof m_fileHeader)
        Refuse();
    if (m_fileHeader.bfType != kBitmapMagic)
        Refuse();
    constexpr DWORD kMinOffset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    if (m_fileHeader.bfOffBits < kMinOffset)
        Refuse();
    DWORD headerBytes = m_fileHeader.bfOffBits - sizeof(BITMAPFILEHEADER);
    m_pInfo = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
    m_nInfoOwner = 1;
    m_nBitsOwner = bitsOwner;
    m_nInfoSize = headerBytes;
    pFile->Read(m_pInfo, headerBytes);

    ComputeMetrics();
    ComputeColorTableEntries(m_pInfo->biBitCount);
    std::uint64_t tableEnd =
        sizeof(BITMAPINFOHEADER) + 4 * std::uint64_t{static_cast<DWORD>(m_nColorTableEntries)};
    if (!platform::RangeInside(0, tableEnd, headerBytes))
        Refuse();
    MakePalette();
}

BOOL CDib::Read(CFile* pFile) {
    try {
        ReadHeaderBlock(pFile, 1);
        m_pBits = static_cast<BYTE*>(platform::AfxAllocZeroed(m_nImageSize));
        // In pieces, so that a large picture can show how far it has got; the file's
        // end stops it as one read would.
        constexpr DWORD kPiece = DWORD{8} << 20;
        for (DWORD done = 0; done < m_nImageSize;) {
            const UINT want = std::min(kPiece, m_nImageSize - done);
            const UINT got = pFile->Read(m_pBits + done, want);
            done += got;
            platform::ProgressScope::Step(done, m_nImageSize);
            if (got < want)
                break;
        }
        return TRUE;
    } catch (CException* e) {
        AfxMessageBox("Read error");
        e->Delete();
        return FALSE;
    }
}
