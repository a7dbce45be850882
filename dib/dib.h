// CDib: one device-independent bitmap in memory, the program's only model of a picture.
//
// The header block (40-byte information header, then the colour table) and the
// bottom-up pixel array are raw blocks whose owner modes say who frees them; Empty
// follows those modes and nothing else. Every size that comes from a file is checked
// before it is used to address memory.
#pragma once

#include "bmp/open_rule.h"
#include "platform/carchive.h"
#include "platform/cdc.h"
#include "platform/cfile.h"
#include "platform/cobject.h"
#include "platform/geometry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace bmp {
class Decoder;
} // namespace bmp

class CDib : public CObject {
    DECLARE_SERIAL(CDib)

public:
    CDib();
    CDib(CSize size, int nBitCount);
    ~CDib() override;
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void CreateBlank(CSize size, int nBitCount);
    BOOL ResetHeader(CSize size, int nBitCount);
    void Empty();
    BOOL IsEmpty() const { return m_pInfo == nullptr && m_pBits == nullptr; }
    CSize GetDimensions() const;

    BOOL Read(CFile* pFile);
    // Why the last Read, ReadFlipped or ReadSection refused its file, by the open
    // command's rule, or what failed while it was read; an empty id after a success.
    const bmp::Refusal& GetRefusal() const { return m_refusal; }
    void UnmapFile();
    void AdoptBits(void* pBits);

    void ComputeMetrics();
    void ComputeColorTableEntries(int nBitCount);
    int GetColorTableBytes() const;
    BOOL MakePalette();
    BOOL Draw(CDC* pDC, CPoint origin, CSize size);
    // Part of the picture (columns from the left, rows from the top) scaled into a
    // rectangle, by the same sampling as Draw.
    BOOL DrawPart(CDC* pDC, CPoint origin, CSize size, const RECT& source);

    // Pixels, x from the left and y from the top. Bytes outside the pixel array read
    // as 0 and are never written, whatever the header claims.
    CSize GetRowLayout() const;
    int GetByteOffset(int x, int y) const;
    RGBQUAD GetPixel(int x, int y) const;
    // The pixel as Draw shows it: B, G and R through the colour table, the masks or the
    // run-length stream (a pixel no code sets shows entry 0, as a scaled drawing does);
    // S is a 32-bit pixel's fourth byte, else 0. Where no drawing can decode the format,
    // the bytes as GetPixel reads them. A run-length stream is decoded at the first call
    // only.
    RGBQUAD GetDrawnPixel(int x, int y) const;
    void SetPixel(int x, int y, RGBQUAD value);
    // Writes the pixel so that GetDrawnPixel reads value back: B, G and R (and S where an
    // alpha mask is in force) through the masks where the picture has them, else as
    // SetPixel does. Nothing is written where DrawnPixelRefusal says why it can't be (a
    // mask narrower than the value asked).
    void SetDrawnPixel(int x, int y, RGBQUAD value);
    // The picture's decoder, made at the first draw or read and kept while the header
    // block and the pixel array stay as they were; null when no header is attached.
    const bmp::Decoder* CurrentDecoder() const;
    std::string DrawnPixelRefusal(int x, int y, RGBQUAD value) const;
    void ConvertTo555();
    void Convert565To24();
    void Convert565To32();
    void Convert555To24();
    void Convert555To32();

    // Device bitmaps, sections and compression.
    BOOL MakeHalftonePalette(CDC* pDC);
    UINT RealizeIn(CDC* pDC, BOOL bBackground);
    BOOL DrawFlipped(CDC* pDC, CPoint origin, CSize size, int nMode);
    HBITMAP CreateSection(CDC* pDC);
    HBITMAP CreateDeviceBitmap(CDC* pDC);
    BOOL CreateFromBitmap(HBITMAP hBitmap, HPALETTE hPal);
    BOOL Compress(CDC* pDC, BOOL bCompress);

    // The further loaders.
    BOOL ReadFlipped(CFile* pFile, BOOL bFlip);
    BOOL ReadSection(CFile* pFile, CDC* pDC);
    BOOL MapFile(LPCSTR pszPath, BOOL bShare);
    BOOL AttachMemory(void* pHeader, BOOL bMustDelete, HGLOBAL hGlobal);
    // How long the memory given to AttachMemory is, when the caller knows; a packed DIB
    // shorter than its header, colour table and image size say is refused.
    BOOL AttachMemory(void* pHeader, BOOL bMustDelete, HGLOBAL hGlobal, std::uint64_t length);

    BOOL Write(CFile* pFile);
    BOOL WriteFlipped(CFile* pFile, BOOL bFlip);
    BOOL SaveToMappedFile(LPCSTR pszPath);
    void Serialize(CArchive& ar) override;

    BITMAPFILEHEADER m_fileHeader;
    RGBQUAD* m_pColorTable;
    HBITMAP m_hSection;
    BYTE* m_pBits;
    BITMAPINFOHEADER* m_pInfo;
    HGLOBAL m_hInfoGlobal;
    int m_nInfoOwner;
    int m_nBitsOwner;
    DWORD m_nImageSize;
    int m_nColorTableEntries;
    HANDLE m_hMapFile;
    HANDLE m_hMapping;
    LPVOID m_pMapView;
    HPALETTE m_hPal;
    // Length of the header block in bytes, so that nothing past it is ever read.
    DWORD m_nInfoSize;

    // The bytes of the pixel array its file held; the rest is the zeros a file shorter
    // than its header says leaves. The whole array for pixels that came otherwise.
    DWORD HeldBytes() const {
        return m_pBits == m_pHeldBits && m_nBitsHeld < m_nImageSize ? m_nBitsHeld : m_nImageSize;
    }

private:
    struct DecoderCache;
    mutable std::unique_ptr<DecoderCache> m_pDecoder;
    // The byte position of pixel (x, y) in 64 bits, or -1 where the layout has none.
    std::int64_t PixelOffset(int x, int y) const;
    BYTE ByteAt(std::int64_t offset) const;
    // Replaces the pixel array by one of another depth, as the conversions do.
    void AttachConverted(BYTE* bits, int bitCount, DWORD size);
    void ConvertFrom16(int outBytes, bool is565);
    void ConvertTo555FromAnyDepth(BYTE* out, std::uint64_t outRow);
    void WritePieces(CFile* pFile);
    // What Write writes of the header block: the header, its masks, the colour table.
    std::uint64_t HeaderPieceBytes() const;
    void DetachFromMapping();
    // The section's memory is the pixel array: the image size may not claim more.
    void ClampToSection();
    // Read's steps up to the pixel array: the file header, the header block (checked to
    // hold the information header and colour table), the metrics and the palette.
    void ReadHeaderBlock(CFile* pFile, int bitsOwner);
    // The file exception every loader's refusal raises, for its own handler's message.
    [[noreturn]] static void Refuse();
    // Refuse, with the reason the open command's rule gives for the bytes read so far.
    [[noreturn]] void RefuseRead(CFile* pFile, std::size_t fileHeaderBytes,
                                 std::size_t headerBytes);
    // The reason for a failure that was not a refusal (no memory, a read error).
    void NoteFailure(CException* e);
    bmp::Refusal m_refusal;
    // What Read put into the pixel array it made: the array, and the bytes the file had.
    const BYTE* m_pHeldBits = nullptr;
    DWORD m_nBitsHeld = 0;
    // Rows of src into dst in reverse order, both m_nImageSize bytes: whole pixels at 8
    // bits and more, whole byte rows below; bytes of dst no row reaches are left alone.
    void FlipRows(BYTE* dst, const BYTE* src) const;
    // Allocates and attaches a zeroed header block owned by this object.
    void AttachNewHeader(std::size_t bytes);
    void FillHeader(CSize size, int nBitCount, DWORD sizeImage);
};

DECLARE_ARCHIVE_EXTRACTION(CDib)
