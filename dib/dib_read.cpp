// CDib::Read: loading a BMP file with a 40-byte information header.
//
// The header block is everything between the file header and bfOffBits, so gap bytes
// after the colour table are kept. A block too small for the information header and
// its colour table is refused: reading the table would leave the block. What a short
// file does not hold stays zero, because the allocator hands out zeroed blocks and
// keeps large ones lazy, so a file that declares gigabytes costs only what it has.
#include "bmp/checked.h"
#include "bmp/open_rule.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/interaction.h"
#include "platform/progress.h"

#include <algorithm>

void CDib::Refuse() {
    AfxThrowFileException(CFileException::none, -1);
}

void CDib::RefuseRead(CFile* pFile, std::size_t fileHeaderBytes, std::size_t headerBytes) {
    // What was read, judged by the open command's rule; the first bytes of the header
    // block are read now if it was not.
    BYTE more[64];
    std::span<const BYTE> block(reinterpret_cast<const BYTE*>(m_pInfo),
                                m_pInfo != nullptr ? headerBytes : 0);
    if (m_pInfo == nullptr && fileHeaderBytes == sizeof m_fileHeader)
        block = {more, pFile->Read(more, sizeof more)};
    m_refusal = bmp::OpenCommandRefusal(
                    {reinterpret_cast<const BYTE*>(&m_fileHeader), fileHeaderBytes}, block)
                    .value_or(bmp::Refusal{"not-loadable", 0, "Pixscope 的打开命令不读取这个文件"});
    Refuse();
}

void CDib::ReadHeaderBlock(CFile* pFile, int bitsOwner) {
    Empty();
    m_refusal = bmp::Refusal{};
    const UINT got = pFile->Read(&m_fileHeader, sizeof m_fileHeader);
    if (got < sizeof m_fileHeader)
        RefuseRead(pFile, got, 0);
    // Not "BM", or no room for the information header before bfOffBits.
    if (!bmp::ParseFile({reinterpret_cast<const BYTE*>(&m_fileHeader), sizeof m_fileHeader})
             .signature ||
        m_fileHeader.bfOffBits < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
        RefuseRead(pFile, sizeof m_fileHeader, 0);
    DWORD headerBytes = m_fileHeader.bfOffBits - sizeof(BITMAPFILEHEADER);
    m_pInfo = static_cast<BITMAPINFOHEADER*>(platform::AfxAllocZeroed(headerBytes));
    m_nInfoOwner = 1;
    m_nBitsOwner = bitsOwner;
    m_nInfoSize = headerBytes;
    const UINT block = pFile->Read(m_pInfo, headerBytes);

    if (m_pInfo->biSize != sizeof(BITMAPINFOHEADER))
        RefuseRead(pFile, sizeof m_fileHeader, block);
    ComputeMetrics();
    ComputeColorTableEntries(m_pInfo->biBitCount);
    std::uint64_t tableEnd =
        sizeof(BITMAPINFOHEADER) + 4 * std::uint64_t{static_cast<DWORD>(m_nColorTableEntries)};
    if (!bmp::RangeInside(0, tableEnd, headerBytes))
        RefuseRead(pFile, sizeof m_fileHeader, block);
    MakePalette();
}

BOOL CDib::Read(CFile* pFile) {
    try {
        ReadHeaderBlock(pFile, 1);
        m_pBits = static_cast<BYTE*>(platform::AfxAllocZeroed(m_nImageSize));
        // In pieces, so that a large picture can show how far it has got; the file's
        // end stops it as one read would.
        constexpr DWORD kPiece = DWORD{8} << 20;
        DWORD done = 0;
        while (done < m_nImageSize) {
            const UINT want = std::min(kPiece, m_nImageSize - done);
            const UINT got = pFile->Read(m_pBits + done, want);
            done += got;
            platform::ProgressScope::Step(done, m_nImageSize);
            if (got < want)
                break;
        }
        m_pHeldBits = m_pBits;
        m_nBitsHeld = done;
        return TRUE;
    } catch (CException* e) {
        NoteFailure(e);
        AfxMessageBox("Read error");
        e->Delete();
        return FALSE;
    }
}

void CDib::NoteFailure(CException* e) {
    if (!m_refusal.id.empty())
        return;
    // Not the file's fault: what happened while it was read.
    m_refusal = dynamic_cast<CMemoryException*>(e) != nullptr
                    ? bmp::Refusal{"no-memory", 0, "内存不足，无法读取这个文件"}
                    : bmp::Refusal{"read-failed", 0, "读取文件时出错"};
}
