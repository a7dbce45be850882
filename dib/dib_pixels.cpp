// CDib pixel access: one pixel at (x, y), counted from the top-left corner.
//
// Every byte is addressed through a 64-bit offset checked against the pixel array, so
// a header that lies about the picture's size, a compressed array shorter than the
// uncompressed layout, or a coordinate outside the picture never leaves the array.
#include "dib/dib.h"

#include "bmp/checked.h"
#include "bmp/layout.h"

#include <algorithm>

namespace {

std::int64_t BytesPerRow(const BITMAPINFOHEADER& h) {
    return bmp::RowBytes(h.biWidth, h.biBitCount);
}

} // namespace

CSize CDib::GetRowLayout() const {
    return {static_cast<int>(static_cast<std::int32_t>(BytesPerRow(*m_pInfo))), m_pInfo->biHeight};
}

int CDib::GetByteOffset(int x, int y) const {
    // The 32-bit figure of the layout, wrapping where it must; PixelOffset is what the
    // accessors trust.
    auto row = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_pInfo->biHeight) - y - 1);
    auto inRow = static_cast<std::uint64_t>(static_cast<std::int64_t>(m_pInfo->biBitCount) * x / 8);
    return static_cast<int>(static_cast<std::uint32_t>(
        row * static_cast<std::uint64_t>(BytesPerRow(*m_pInfo)) + inRow));
}

std::int64_t CDib::PixelOffset(int x, int y) const {
    if (m_pInfo == nullptr || m_pBits == nullptr || x < 0 || y < 0 || x >= m_pInfo->biWidth)
        return -1;
    // A top-down picture stores its rows as they are shown.
    const std::int64_t rows = bmp::RowCount(m_pInfo->biHeight);
    if (y >= rows)
        return -1;
    const std::int64_t storedRow = m_pInfo->biHeight < 0 ? y : rows - 1 - y;
    std::int64_t rowStart = 0;
    std::int64_t offset = 0;
    if (!bmp::CheckedMul(storedRow, BytesPerRow(*m_pInfo), rowStart) ||
        !bmp::CheckedAdd(rowStart, static_cast<std::int64_t>(m_pInfo->biBitCount) * x / 8, offset))
        return -1; // beyond any array
    return offset;
}

BYTE CDib::ByteAt(std::int64_t offset) const {
    return offset >= 0 && static_cast<std::uint64_t>(offset) < m_nImageSize ? m_pBits[offset] : 0;
}

RGBQUAD CDib::GetPixel(int x, int y) const {
    std::int64_t p = PixelOffset(x, y);
    if (p < 0)
        return {0, 0, 0, 0};
    auto fromTable = [this](int index) -> RGBQUAD {
        // An index the colour table does not have reads as black.
        std::uint64_t end = sizeof(BITMAPINFOHEADER) + 4 * (static_cast<std::uint64_t>(index) + 1);
        if (index >= m_nColorTableEntries || end > m_nInfoSize)
            return {0, 0, 0, 0};
        const RGBQUAD& e = m_pColorTable[index];
        return {e.rgbBlue, e.rgbGreen, e.rgbRed, 0};
    };
    switch (m_pInfo->biBitCount) {
    case 1: {
        bool set = ((ByteAt(p) >> (7 - x % 8)) & 1) != 0;
        return set ? RGBQUAD{0xFF, 0xFF, 0xFF, 0} : RGBQUAD{0, 0, 0, 0};
    }
    case 4:
        return fromTable(x % 2 == 0 ? ByteAt(p) >> 4 : ByteAt(p) & 0x0F);
    case 8:
        return fromTable(ByteAt(p));
    case 32:
        return {ByteAt(p), ByteAt(p + 1), ByteAt(p + 2), ByteAt(p + 3)};
    default:
        return {ByteAt(p), ByteAt(p + 1), ByteAt(p + 2), 0};
    }
}

void CDib::SetPixel(int x, int y, RGBQUAD value) {
    std::int64_t p = PixelOffset(x, y);
    if (p < 0)
        return;
    auto put = [this](std::int64_t offset, BYTE b) {
        if (static_cast<std::uint64_t>(offset) < m_nImageSize)
            m_pBits[offset] = b;
    };
    // The first colour-table entry with the value's colour, else 0.
    auto indexOf = [this, value](int limit) {
        std::uint64_t held = m_nInfoSize > sizeof(BITMAPINFOHEADER)
                                 ? (m_nInfoSize - sizeof(BITMAPINFOHEADER)) / 4
                                 : 0;
        std::int64_t n =
            std::min<std::int64_t>({m_nColorTableEntries, limit, static_cast<std::int64_t>(held)});
        for (std::int64_t i = 0; i < n; ++i) {
            const RGBQUAD& e = m_pColorTable[i];
            if (e.rgbBlue == value.rgbBlue && e.rgbGreen == value.rgbGreen &&
                e.rgbRed == value.rgbRed)
                return static_cast<BYTE>(i);
        }
        return BYTE{0};
    };
    switch (m_pInfo->biBitCount) {
    case 32:
        put(p + 3, value.rgbReserved);
        [[fallthrough]];
    case 24:
        put(p, value.rgbBlue);
        put(p + 1, value.rgbGreen);
        put(p + 2, value.rgbRed);
        break;
    case 8:
        put(p, indexOf(256));
        break;
    case 4: {
        BYTE nibble = indexOf(16);
        BYTE old = ByteAt(p);
        put(p, x % 2 == 0 ? static_cast<BYTE>((old & 0x0F) | nibble << 4)
                          : static_cast<BYTE>((old & 0xF0) | nibble));
        break;
    }
    case 1: {
        // A set bit reads back as white, so white sets it and anything else clears it.
        bool set = value.rgbBlue == 0xFF && value.rgbGreen == 0xFF && value.rgbRed == 0xFF;
        BYTE mask = static_cast<BYTE>(0x80 >> (x % 8));
        put(p, set ? static_cast<BYTE>(ByteAt(p) | mask) : static_cast<BYTE>(ByteAt(p) & ~mask));
        break;
    }
    default:
        // 16 bits and the depths with no pixel layout of their own: a three-byte write
        // would spill into the next pixel, so nothing is written.
        break;
    }
}
