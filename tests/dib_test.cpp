// CDib outside of reading: blank pictures, new headers, palettes, emptying and the
// class record.
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/kernel.h"

#include <gtest/gtest.h>

TEST(Dib, DefaultIsEmptyAndABlankPictureHasAHeaderButNoPixels) {
    CDib dib;
    EXPECT_TRUE(dib.IsEmpty());
    EXPECT_EQ(dib.m_nInfoOwner + dib.m_nBitsOwner + dib.m_nColorTableEntries, 0);
    EXPECT_EQ(dib.m_nImageSize, 0u);
    EXPECT_EQ(dib.GetDimensions(), CSize(0, 0));
    EXPECT_EQ(dib.GetColorTableBytes(), 0);

    dib.CreateBlank(CSize(3, 2), 8);
    EXPECT_FALSE(dib.IsEmpty());
    EXPECT_EQ(dib.m_pBits, nullptr);
    EXPECT_EQ(dib.m_hPal, nullptr);
    EXPECT_EQ(dib.m_nColorTableEntries, 256);
    EXPECT_EQ(dib.m_pInfo->biClrUsed + dib.m_pInfo->biClrImportant, 512u);
    EXPECT_EQ(dib.m_pInfo->biPlanes, 1);
    EXPECT_EQ(dib.m_nImageSize, 8u); // 3 bytes a row padded to 4, two rows
    EXPECT_EQ(dib.m_pColorTable[255].rgbRed, 0);
    EXPECT_EQ(dib.GetDimensions(), CSize(3, 2));

    dib.CreateBlank(CSize(10, 1), 24);
    EXPECT_EQ(dib.m_nColorTableEntries, 0);
    EXPECT_EQ(dib.m_nImageSize, 32u);
    EXPECT_EQ(dib.m_fileHeader.bfType, 0);
}

TEST(Dib, ResetHeaderKeepsPixelsAndOldClrUsed) {
    CDib dib(CSize(2, 2), 8);
    dib.AdoptBits(platform::AfxAllocZeroed(8));
    dib.m_pBits[0] = 42;
    dib.m_pInfo->biSizeImage = 8;
    BYTE* bits = dib.m_pBits;
    EXPECT_TRUE(dib.ResetHeader(CSize(2, 2), 16)); // 256 entries survive from biClrUsed
    EXPECT_EQ(dib.m_pBits, bits);
    EXPECT_EQ(dib.m_pBits[0], 42);
    EXPECT_EQ(dib.m_nColorTableEntries, 256);
    EXPECT_EQ(dib.m_pInfo->biBitCount, 16);
    EXPECT_EQ(dib.m_pInfo->biSizeImage, 8u);
    EXPECT_EQ(dib.m_pColorTable[255].rgbGreen, 0);
    EXPECT_NE(dib.m_hPal, nullptr);

    CDib plain(CSize(2, 2), 24);
    EXPECT_FALSE(plain.ResetHeader(CSize(2, 2), 16));
    EXPECT_EQ(plain.m_pInfo->biClrUsed, 0u);
}

TEST(Dib, MakePaletteWithoutColourTableKeepsThePaletteItHad) {
    CDib dib(CSize(1, 1), 4);
    ASSERT_TRUE(dib.MakePalette());
    HPALETTE pal = dib.m_hPal;
    dib.m_nColorTableEntries = 0;
    EXPECT_FALSE(dib.MakePalette());
    EXPECT_EQ(dib.m_hPal, pal);
    EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 16u);
}

TEST(Dib, ColorTableEntriesAndBytes) {
    CDib none;
    none.m_nColorTableEntries = 7;
    none.ComputeColorTableEntries(2); // an unknown depth keeps the count
    EXPECT_EQ(none.m_nColorTableEntries, 7);
    none.ComputeColorTableEntries(24);
    EXPECT_EQ(none.m_nColorTableEntries, 0);
    CDib dib(CSize(1, 1), 8);
    EXPECT_EQ(dib.GetColorTableBytes(), 1024);
    dib.m_pInfo->biClrUsed = 0;
    dib.m_pInfo->biBitCount = 4;
    EXPECT_EQ(dib.GetColorTableBytes(), 64);
    dib.m_pInfo->biBitCount = 24;
    EXPECT_EQ(dib.GetColorTableBytes(), 0);
    dib.m_pInfo->biClrUsed = 0x10002; // counted as 16 bits
    EXPECT_EQ(dib.GetColorTableBytes(), 8);
    dib.m_pInfo->biSize = 12;
    EXPECT_EQ(dib.GetColorTableBytes(), 6);
}

TEST(Dib, ResetHeaderNeverClaimsMorePixelsThanItKeeps) {
    // A negative width makes the computed size wrap to gigabytes; the array holds 4 bytes.
    CDib dib(CSize(2, 1), 24);
    dib.AdoptBits(platform::AfxAllocZeroed(4));
    dib.m_nImageSize = 4;
    dib.m_pInfo->biSizeImage = 0;
    dib.ResetHeader(CSize(-127, 64), 16);
    EXPECT_EQ(dib.m_nImageSize, 4u);
}
