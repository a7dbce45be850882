// Depth conversions: their exact bytes, and the rule for pictures that are not 24-bit.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "test_support.h"

#include <cstring>

namespace {

void Make(CDib& dib, int w, int h, int bits, const std::vector<BYTE>& pixels) {
    dib.CreateBlank(CSize(w, h), bits);
    dib.AdoptBits(platform::AfxAllocZeroed(pixels.size()));
    std::memcpy(dib.m_pBits, pixels.data(), pixels.size());
    dib.m_nImageSize = static_cast<DWORD>(pixels.size());
}

std::vector<BYTE> Bits(const CDib& dib) {
    return {dib.m_pBits, dib.m_pBits + dib.m_nImageSize};
}

} // namespace

TEST(DibConvert, TwentyFourBitsTo555) {
    CDib dib;
    // Bottom row: white, red, green; top row: black, (8, 16, 248), (7, 7, 7).
    Make(dib, 3, 2, 24, {0xFF, 0xFF, 0xFF, 0, 0,  0xFF, 0, 0xFF, 0, 0, 0, 0,
                         0,    0,    0,    8, 16, 248,  7, 7,    7, 0, 0, 0});
    dib.ConvertTo555();
    EXPECT_EQ(dib.m_pInfo->biBitCount, 16);
    EXPECT_EQ(dib.m_pInfo->biSizeImage, 16u);
    EXPECT_EQ(dib.m_nImageSize, 16u);
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0, 0, //
                                            0, 0, 0x41, 0x7C, 0, 0, 0, 0}));
}

TEST(DibConvert, Sixteen555StaysAsItIsButClaimsOnlyItsRows) {
    CDib dib;
    Make(dib, 2, 1, 16, {1, 2, 3, 4});
    BYTE* before = dib.m_pBits;
    dib.ConvertTo555();
    EXPECT_EQ(dib.m_pBits, before);
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{1, 2, 3, 4}));
    // A size field that claims gigabytes: the save writes the rows, not the claim.
    Make(dib, 2, 1, 16, {1, 2, 3, 4, 5, 6, 7, 8});
    dib.m_pInfo->biSizeImage = 0xCB003000u;
    dib.ConvertTo555();
    EXPECT_EQ(dib.m_nImageSize, 4u);
    EXPECT_EQ(dib.m_pInfo->biSizeImage, 4u);
}

TEST(DibConvert, EachDepthConvertsFromItsTrueColours) {
    const std::vector<BYTE> blueWhite = {0x1F, 0x00, 0xFF, 0x7F};
    std::vector<BYTE> tenWide(20, 0);
    for (int i = 0; i < 9; ++i)
        tenWide[2 * i] = 0x1F;
    tenWide[18] = 0xFF, tenWide[19] = 0x7F;
    const struct {
        const char* name;
        int w, h, bits;
        DWORD compression;
        std::vector<BYTE> pixels, expected; // 5-5-5, rows padded
    } cases[] = {
        // Colour table: entry 0 blue, entry 1 white (1, 4 and 8 bits alike).
        {"1 bit", 2, 1, 1, BI_RGB, {0x40, 0, 0, 0}, blueWhite},
        {"1 bit, the tenth pixel in the second byte",
         10,
         1,
         1,
         BI_RGB,
         {0x00, 0x40, 0, 0},
         tenWide},
        {"4 bits", 2, 1, 4, BI_RGB, {0x01, 0, 0, 0}, blueWhite},
        {"8 bits", 2, 1, 8, BI_RGB, {1, 0, 0, 0}, {0xFF, 0x7F, 0x1F, 0x00}},
        {"32 bits", 2, 1, 32, BI_RGB, {0, 0, 0xFF, 0x55, 0xFF, 0, 0, 0x55}, {0x00, 0x7C, 0x1F, 0}},
        {"32 bits top-down",
         1,
         -2,
         32,
         BI_RGB,
         {0xFF, 0, 0, 0, 0, 0, 0xFF, 0},
         {0x1F, 0, 0, 0, 0x00, 0x7C, 0, 0}},
        {"24 bits, an array 4 of 16 bytes long",
         2,
         2,
         24,
         BI_RGB,
         {0xFF, 0xFF, 0xFF, 0xFF},
         {0xFF, 0x7F, 0x1F, 0, 0, 0, 0, 0}},
        // 24 bits convert from their bytes whatever the compression says.
        {"24 bits labelled RLE8", 1, 1, 24, BI_RLE8, {0xFF, 0, 0, 0}, {0x1F, 0, 0, 0}},
        {"24 bits labelled bitfields", 1, 1, 24, BI_BITFIELDS, {0xFF, 0, 0, 0}, {0x1F, 0, 0, 0}},
        {"24 bits labelled JPEG", 1, 1, 24, 4, {0xFF, 0, 0, 0}, {0x1F, 0, 0, 0}},
        {"24 bits labelled 0x80000001", 1, 1, 24, 0x80000001, {0xFF, 0, 0, 0}, {0x1F, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDib dib;
        Make(dib, c.w, c.h, c.bits, c.pixels);
        dib.m_pInfo->biCompression = c.compression;
        if (c.bits <= 8) {
            dib.m_pColorTable[0] = RGBQUAD{0xFF, 0, 0, 0};
            dib.m_pColorTable[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
        }
        dib.ConvertTo555();
        EXPECT_EQ(dib.m_pInfo->biBitCount, 16);
        EXPECT_EQ(dib.m_pInfo->biCompression, BI_RGB);
        EXPECT_EQ(Bits(dib), c.expected);
    }
}

TEST(DibConvert, BitfieldsAndRunLengthPictures) {
    TempDir dir;
    // 16-bit 5-6-5: pure red, pure green.
    BmpFields m565 =
        BmpFields{}.Size(2, 1).Bits(16).Compression(BI_BITFIELDS).Pixels({0x00, 0xF8, 0xE0, 0x07});
    m565.gap = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    CFile f1(dir.Write("565.bmp", BuildBmp(m565)).c_str(), CFile::modeRead);
    CDib dib;
    ASSERT_TRUE(dib.Read(&f1));
    dib.ConvertTo555();
    EXPECT_EQ(dib.m_pInfo->biCompression, BI_RGB);
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{0x00, 0x7C, 0xE0, 0x03}));

    // RLE8 4 x 2: two of index 1, end of line; one of 2, one of 1 from the second
    // column; the rest shows colour 0.
    BmpFields rle = BmpFields{}
                        .Size(4, 2)
                        .Bits(8)
                        .Compression(BI_RLE8)
                        .Table(std::vector<RGBQUAD>(256, RGBQUAD{0, 0, 0xFF, 0}))
                        .Pixels({2, 1, 0, 0, 1, 2, 1, 1, 0, 1})
                        .SizeImage(10);
    rle.colors[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    rle.colors[2] = RGBQUAD{0, 0x80, 0x08, 0}; // green's top bit is not red's lowest
    CFile f2(dir.Write("rle.bmp", BuildBmp(rle)).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&f2));
    dib.ConvertTo555();
    EXPECT_EQ(dib.m_nImageSize, 16u);
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x7C, 0x00, 0x7C, //
                                            0x00, 0x06, 0xFF, 0x7F, 0x00, 0x7C, 0x00, 0x7C}));
}

TEST(DibConvert, RowPaddingStaysZero) {
    // Rows of 8k + 7 pixels: the fast path takes 8 at a time, never into the padding.
    for (int w : {7, 15}) {
        CDib dib(CSize(w, 2), 24);
        dib.AdoptBits(platform::AfxAllocZeroed(dib.m_nImageSize));
        std::memset(dib.m_pBits, 0xFF, dib.m_nImageSize);
        dib.ConvertTo555();
        const std::size_t row = (2 * w + 3) / 4 * 4;
        for (std::size_t k = 2 * w; k < row; ++k)
            EXPECT_EQ(dib.m_pBits[k], 0) << w << " " << k;
    }
    // A run-length picture's background fills its pixels, not the padding.
    CDib rle(CSize(3, 1), 8);
    rle.m_pColorTable[0] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    const BYTE stream[] = {0, 1};
    rle.AdoptBits(platform::AfxAllocZeroed(sizeof stream));
    std::memcpy(rle.m_pBits, stream, sizeof stream);
    rle.m_nImageSize = sizeof stream;
    rle.m_pInfo->biCompression = BI_RLE8;
    rle.ConvertTo555();
    EXPECT_EQ(std::vector<BYTE>(rle.m_pBits, rle.m_pBits + 8),
              (std::vector<BYTE>{0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0, 0}));
}

TEST(DibConvert, SizeBeyondThirtyTwoBitsRaisesMemoryExceptionWithNothingChanged) {
    CDib dib;
    Make(dib, 0x7FFFFFFF, 3, 24, {1, 2, 3});
    try {
        dib.ConvertTo555();
        FAIL() << "no exception";
    } catch (CMemoryException* e) {
        e->Delete();
    }
    EXPECT_EQ(dib.m_pInfo->biBitCount, 24);
    EXPECT_EQ(dib.m_nImageSize, 3u);
}

TEST(DibConvert, WideRowsMatchTheFormulaForEveryPixel) {
    // Wide enough for the eight-pixel steps, odd enough for a tail and row padding.
    const int w = 37, h = 3;
    const int inRow = (w * 24 + 31) / 32 * 4, outRow = (w * 2 + 3) / 4 * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(inRow) * h);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<BYTE>(i * 2654435761u >> 13);
    CDib dib;
    Make(dib, w, h, 24, pixels);
    dib.ConvertTo555();
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            const BYTE* p = &pixels[static_cast<size_t>(i * inRow + 3 * j)];
            BYTE lo = static_cast<BYTE>(((p[1] << 2) & 0xE0) | (p[0] >> 3));
            BYTE hi = static_cast<BYTE>(((p[2] >> 3) << 2) | (p[1] >> 6));
            ASSERT_EQ(dib.m_pBits[i * outRow + 2 * j], lo) << i << "," << j;
            ASSERT_EQ(dib.m_pBits[i * outRow + 2 * j + 1], hi) << i << "," << j;
        }
        ASSERT_EQ(dib.m_pBits[i * outRow + outRow - 1], 0); // padding stays zero
    }
}

TEST(DibConvert, PicturesWiderThanATileConvertEveryColumn) {
    // 8 bits, 5000 x 2: the index is the column's low byte; entry i is (i, 255 - i, 8).
    const int w = 5000, h = 2, stride = (w + 3) / 4 * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            pixels[static_cast<size_t>(i * stride + j)] = static_cast<BYTE>(j);
    CDib dib;
    Make(dib, w, h, 8, pixels);
    for (int i = 0; i < 256; ++i)
        dib.m_pColorTable[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 8, 0};
    dib.ConvertTo555();
    const int outRow = (w * 2 + 3) / 4 * 4;
    for (int i = 0; i < h; ++i) {
        for (int j : {0, 1, 4095, 4096, 4097, 4999}) {
            const BYTE b = static_cast<BYTE>(j), g = static_cast<BYTE>(255 - b);
            const WORD expected = static_cast<WORD>((1 << 10) | ((g >> 3) << 5) | (b >> 3));
            WORD got = 0;
            std::memcpy(&got, dib.m_pBits + i * outRow + 2 * j, 2);
            EXPECT_EQ(got, expected) << i << "," << j;
        }
    }
}
