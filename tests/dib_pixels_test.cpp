// Pixel addressing, reading and writing at every depth, and the limits of the array.
#include "dib/dib.h"
#include "platform/allocator.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A blank picture with a zeroed pixel array of its computed size, or of `size` bytes.
void Make(CDib& dib, int w, int h, int bits, long size = -1) {
    dib.CreateBlank(CSize(w, h), bits);
    DWORD n = size >= 0 ? static_cast<DWORD>(size) : dib.m_nImageSize;
    dib.AdoptBits(platform::AfxAllocZeroed(n));
    dib.m_nImageSize = n;
}

bool Same(RGBQUAD a, RGBQUAD b) {
    return std::memcmp(&a, &b, 4) == 0;
}

#define EXPECT_QUAD(actual, b, g, r, s) EXPECT_TRUE(Same(actual, RGBQUAD{b, g, r, s}))

} // namespace

TEST(DibPixels, RowLayoutAndByteOffsets) {
    CDib dib;
    Make(dib, 3, 2, 24);
    EXPECT_EQ(dib.GetRowLayout(), CSize(12, 2));
    EXPECT_EQ(dib.GetByteOffset(0, 0), 12);
    EXPECT_EQ(dib.GetByteOffset(2, 1), 6);
    Make(dib, 8, 1, 24);
    EXPECT_EQ(dib.GetByteOffset(7, 0), 21);
    Make(dib, 33, 1, 1);
    EXPECT_EQ(dib.GetRowLayout(), CSize(8, 1));
    EXPECT_EQ(dib.GetByteOffset(9, 0), 1);
    Make(dib, 10, 3, 4);
    EXPECT_EQ(dib.GetByteOffset(4, 0), 2 * 8 + 2);
    EXPECT_EQ(dib.GetByteOffset(5, 0), 2 * 8 + 2);
}

TEST(DibPixels, ReadsEachDepth) {
    CDib dib;
    Make(dib, 3, 2, 24);
    std::memcpy(dib.m_pBits + 12, "\1\2\3", 3); // top-left pixel: last row in memory
    EXPECT_QUAD(dib.GetPixel(0, 0), 1, 2, 3, 0);
    EXPECT_QUAD(dib.GetPixel(0, 1), 0, 0, 0, 0);

    Make(dib, 9, 2, 1);
    dib.m_pColorTable[1] = RGBQUAD{9, 9, 9, 0}; // not consulted at 1 bit
    dib.m_pBits[4] = 0x80;
    EXPECT_QUAD(dib.GetPixel(0, 0), 0xFF, 0xFF, 0xFF, 0);
    EXPECT_QUAD(dib.GetPixel(1, 0), 0, 0, 0, 0);

    Make(dib, 6, 1, 4);
    dib.m_pColorTable[5] = RGBQUAD{50, 51, 52, 53};
    dib.m_pColorTable[6] = RGBQUAD{60, 61, 62, 63};
    dib.m_pBits[2] = 0x56;
    EXPECT_QUAD(dib.GetPixel(4, 0), 50, 51, 52, 0);
    EXPECT_QUAD(dib.GetPixel(5, 0), 60, 61, 62, 0);

    Make(dib, 4, 1, 8);
    dib.m_pColorTable[3] = RGBQUAD{7, 8, 9, 10};
    dib.m_pColorTable[255] = RGBQUAD{1, 2, 3, 4}; // the header block's last four bytes
    dib.m_pBits[1] = 3;
    dib.m_pBits[2] = 255;
    EXPECT_QUAD(dib.GetPixel(1, 0), 7, 8, 9, 0);
    EXPECT_QUAD(dib.GetPixel(2, 0), 1, 2, 3, 0);

    Make(dib, 1, 1, 32);
    std::memcpy(dib.m_pBits, "\4\5\6\7", 4);
    EXPECT_QUAD(dib.GetPixel(0, 0), 4, 5, 6, 7);
}

TEST(DibPixels, IndicesPastTheColourTableReadBlack) {
    CDib dib;
    dib.m_nColorTableEntries = 0;
    Make(dib, 2, 1, 8);
    dib.m_nColorTableEntries = 2; // as a biClrUsed of 2 gives
    dib.m_pColorTable[2] = RGBQUAD{1, 1, 1, 0};
    dib.m_pBits[0] = 2;
    dib.m_pBits[1] = 255;
    EXPECT_QUAD(dib.GetPixel(0, 0), 0, 0, 0, 0);
    EXPECT_QUAD(dib.GetPixel(1, 0), 0, 0, 0, 0);
    // The table claims 256 entries, the header block holds two: the third is not read.
    dib.m_nColorTableEntries = 256;
    dib.m_nInfoSize = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    EXPECT_QUAD(dib.GetPixel(0, 0), 0, 0, 0, 0);
}

TEST(DibPixels, BytesOutsideTheArrayReadZeroAndAreNeverWritten) {
    CDib dib;
    // 16 bits, 2 pixels, no row padding: the rightmost pixel's third byte lies past the end.
    Make(dib, 2, 1, 16);
    std::memcpy(dib.m_pBits, "\x11\x22\x33\x44", 4);
    EXPECT_QUAD(dib.GetPixel(1, 0), 0x33, 0x44, 0, 0);
    EXPECT_QUAD(dib.GetPixel(0, 0), 0x11, 0x22, 0x33, 0);

    // A pixel array far shorter than the header's layout, as RLE or a short biSizeImage gives.
    Make(dib, 1000, 1000, 24, 10);
    EXPECT_QUAD(dib.GetPixel(0, 0), 0, 0, 0, 0);
    EXPECT_QUAD(dib.GetPixel(3, 999), 0, 0, 0, 0);
    dib.SetPixel(0, 0, RGBQUAD{1, 2, 3, 4});
    dib.SetPixel(3, 999, RGBQUAD{9, 9, 9, 9}); // bytes 9..11: only byte 9 is inside
    EXPECT_EQ(dib.m_pBits[9], 9);

    // Coordinates the caller failed to check, one past each edge of any row, and huge
    // ones: nothing of the array they would alias is read or written.
    Make(dib, 4, 4, 32);
    std::memset(dib.m_pBits, 0x5A, dib.m_nImageSize);
    for (auto [x, y] :
         {std::pair{-1, 0}, {0, -1}, {4, 0}, {4, 3}, {-1, 3}, {0, 4}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_QUAD(dib.GetPixel(x, y), 0, 0, 0, 0);
        dib.SetPixel(x, y, RGBQUAD{1, 1, 1, 1});
    }
    for (DWORD i = 0; i < dib.m_nImageSize; ++i)
        ASSERT_EQ(dib.m_pBits[i], 0x5A) << i;

    // An array that ends inside a pixel, in a bigger block: the bytes past its end are
    // neither read nor written.
    Make(dib, 2, 1, 24, 16);
    std::memset(dib.m_pBits, 0x77, 16);
    dib.m_nImageSize = 4;
    EXPECT_QUAD(dib.GetPixel(1, 0), 0x77, 0, 0, 0);
    dib.SetPixel(1, 0, RGBQUAD{1, 2, 3, 4});
    EXPECT_EQ(dib.m_pBits[4], 0x77);

    // A top-down picture's row past its height, in an array that has bytes there.
    Make(dib, 1, -1, 24, 8);
    std::memcpy(dib.m_pBits + 4, "\7\7\7", 3);
    EXPECT_QUAD(dib.GetPixel(0, 1), 0, 0, 0, 0);
    dib.SetPixel(0, 1, RGBQUAD{1, 1, 1, 1});
    EXPECT_EQ(dib.m_pBits[4], 7);

    Make(dib, 0x7FFFFFFF, 0x7FFFFFFF, 32, 16);
    std::memset(dib.m_pBits, 0x5A, 16);
    EXPECT_QUAD(dib.GetPixel(0x7FFFFFFE, 0), 0, 0, 0, 0);
    dib.SetPixel(0x7FFFFFFE, 0, RGBQUAD{1, 1, 1, 1});
    EXPECT_EQ(dib.m_pBits[0], 0x5A) << "an offset past 2^63 is not offset 0";
}

TEST(DibPixels, WritesTrueColourAndPaletteDepths) {
    CDib dib;
    Make(dib, 3, 2, 24);
    dib.SetPixel(2, 1, RGBQUAD{1, 2, 3, 4});
    EXPECT_QUAD(dib.GetPixel(2, 1), 1, 2, 3, 0);
    EXPECT_EQ(std::memcmp(dib.m_pBits + 6, "\1\2\3", 3), 0);
    EXPECT_EQ(dib.m_pBits[9], 0);

    Make(dib, 1, 1, 32);
    dib.SetPixel(0, 0, RGBQUAD{1, 2, 3, 4});
    EXPECT_QUAD(dib.GetPixel(0, 0), 1, 2, 3, 4);

    Make(dib, 2, 1, 8);
    dib.m_pColorTable[5] = RGBQUAD{10, 20, 30, 0};
    dib.m_pColorTable[6] = RGBQUAD{10, 20, 30, 0};
    dib.SetPixel(0, 0, RGBQUAD{10, 20, 30, 99}); // the first match wins
    dib.SetPixel(1, 0, RGBQUAD{1, 1, 1, 0});     // no match: index 0
    EXPECT_EQ(dib.m_pBits[0], 5);
    EXPECT_EQ(dib.m_pBits[1], 0);
    dib.m_pColorTable[255] = RGBQUAD{1, 1, 1, 0}; // the last entry is searched too
    dib.SetPixel(1, 0, RGBQUAD{1, 1, 1, 0});
    EXPECT_EQ(dib.m_pBits[1], 255);
    dib.SetPixel(1, 0, RGBQUAD{0, 0, 0, 0}); // black at index 0 and at most others
    EXPECT_EQ(dib.m_pBits[1], 0);

    Make(dib, 3, 1, 4);
    dib.m_pBits[0] = 0xAB;
    dib.m_pBits[1] = 0xCD;
    dib.m_pColorTable[6] = RGBQUAD{7, 7, 7, 0}; // an even index: its lowest bit clear
    dib.SetPixel(1, 0, RGBQUAD{7, 7, 7, 0});
    dib.SetPixel(2, 0, RGBQUAD{7, 7, 7, 0});
    EXPECT_EQ(dib.m_pBits[0], 0xA6); // only the low nibble changed
    EXPECT_EQ(dib.m_pBits[1], 0x6D);
    dib.m_pColorTable[15] = RGBQUAD{9, 9, 9, 0}; // the last of sixteen is searched too
    dib.SetPixel(0, 0, RGBQUAD{9, 9, 9, 0});
    EXPECT_EQ(dib.m_pBits[0], 0xF6);

    Make(dib, 9, 1, 1);
    dib.m_pBits[0] = 0x00;
    dib.m_pBits[1] = 0xFF;
    dib.SetPixel(1, 0, RGBQUAD{0xFF, 0xFF, 0xFF, 0});
    dib.SetPixel(8, 0, RGBQUAD{0, 0, 0, 0});
    EXPECT_EQ(dib.m_pBits[0], 0x40);
    EXPECT_EQ(dib.m_pBits[1], 0x7F);

    Make(dib, 2, 1, 16);
    dib.SetPixel(0, 0, RGBQUAD{1, 2, 3, 4}); // a three-byte write would reach pixel 1
    EXPECT_EQ(dib.m_pBits[2], 0);
}

TEST(DibPixels, PixelOffsetsPastSixtyFourBitsAreOutside) {
    // Depth 65535 and the widest row: the row's start fits 63 bits, the pixel's does not.
    CDib dib;
    dib.CreateBlank(CSize(0x7FFFFFFF, 524297), 65535);
    dib.AdoptBits(platform::AfxAllocZeroed(16));
    dib.m_nImageSize = 16;
    std::memset(dib.m_pBits, 0x5A, 16);
    const RGBQUAD p = dib.GetPixel(0x7FFFFFFE, 0);
    EXPECT_EQ((std::vector<BYTE>{p.rgbBlue, p.rgbGreen, p.rgbRed, p.rgbReserved}),
              (std::vector<BYTE>{0, 0, 0, 0}));
}
