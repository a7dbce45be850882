// Reading BMP files into a CDib: what is accepted, what is refused, and what the
// object holds afterwards.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "platform/progress.h"
#include "test_support.h"

#include <cstring>

namespace {

class DibRead : public WithRecordedMessages {
protected:
    BOOL Load(const std::vector<BYTE>& bytes) {
        std::string path = dir.Write("in.bmp", bytes);
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
        return dib.Read(&file);
    }
    TempDir dir;
    CDib dib;
};

std::vector<RGBQUAD> Gray(int n) {
    std::vector<RGBQUAD> t;
    for (int i = 0; i < n; ++i)
        t.push_back({static_cast<BYTE>(i), static_cast<BYTE>(i + 1), static_cast<BYTE>(i + 2), 0});
    return t;
}

} // namespace

TEST_F(DibRead, RefusesWhatItCannotReadSafely) {
    BmpFields lower, swapped;
    lower.magic = 0x6D62;   // "bm"
    swapped.magic = 0x424D; // "MB"
    const struct {
        const char* name;
        std::vector<BYTE> bytes;
        bool emptyAfter; // refused before any header block was attached
    } cases[] = {
        {"empty file", {}, true},
        {"13 bytes", std::vector<BYTE>(13, 'B'), true},
        {"lower-case magic", lower.Build(), true},
        {"swapped magic", swapped.Build(), true},
        {"OS/2 header", BmpFields{}.Header(12).Bits(8).Table(Gray(192)).Build(), false},
        {"V4 header", BmpFields{}.Header(108).Build(), false},
        {"V5 header", BmpFields{}.Header(124).Build(), false},
        {"64-byte header", BmpFields{}.Header(64).Build(), false},
        {"bfOffBits below 54", BmpFields{}.OffBits(53).Build(), true},
        {"bfOffBits inside the file header", BmpFields{}.OffBits(2).Build(), true},
        {"colour table past bfOffBits", BmpFields{}.Bits(8).Table(Gray(255)).Build(), false},
        {"biClrUsed larger than the header block",
         BmpFields{}.Bits(8).ClrUsed(305402420).Table(Gray(256)).Build(), false},
        // 4 * entries wraps to 0 in 32 bits
        {"biClrUsed whose table size wraps", BmpFields{}.ClrUsed(0x40000000).Build(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.messages.clear();
        recorder.types.clear();
        EXPECT_FALSE(Load(c.bytes));
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"Read error"});
        EXPECT_EQ(recorder.types, std::vector<UINT>{MB_OK | MB_ICONEXCLAMATION});
        EXPECT_EQ(dib.IsEmpty() != FALSE, c.emptyAfter);
        EXPECT_EQ(dib.m_pBits, nullptr);
        EXPECT_EQ(dib.m_hPal, nullptr);
    }
    // The next read releases the header block a failure left.
    EXPECT_TRUE(Load(BmpFields{}.Build()));
    EXPECT_EQ(dib.m_pInfo->biSize, 40u);
}

TEST_F(DibRead, ColourTableEntriesAndPaletteFollowClrUsedThenDepth) {
    const struct {
        const char* name;
        int bits;
        DWORD clrUsed;
        int tableSize, expected;
    } cases[] = {{"8-bit, biClrUsed 0", 8, 0, 256, 256},
                 {"8-bit, biClrUsed 16", 8, 16, 16, 16},
                 {"24-bit, biClrUsed 10", 24, 10, 10, 10},
                 {"2-bit, biClrUsed 0", 2, 0, 0, 0},
                 {"1-bit", 1, 0, 2, 2},
                 {"4-bit", 4, 0, 16, 16},
                 {"32-bit", 32, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RGBQUAD> table = Gray(c.tableSize);
        if (!table.empty())
            table[0] = {30, 20, 10, 99};
        ASSERT_TRUE(Load(BmpFields{}.Bits(c.bits).ClrUsed(c.clrUsed).Table(table).Build()));
        EXPECT_EQ(dib.m_nColorTableEntries, c.expected);
        EXPECT_EQ(reinterpret_cast<BYTE*>(dib.m_pColorTable),
                  reinterpret_cast<BYTE*>(dib.m_pInfo) + 40);
        PALETTEENTRY e[2]{};
        EXPECT_EQ(GetPaletteEntries(dib.m_hPal, 0, 2, e), c.expected > 0 ? 2u : 0u);
        if (c.expected > 0) {
            EXPECT_EQ(e[0].peRed, 10);
            EXPECT_EQ(e[0].peGreen, 20);
            EXPECT_EQ(e[0].peBlue, 30);
            EXPECT_EQ(e[0].peFlags, 0);
            EXPECT_EQ(e[1].peRed, 3);
        }
    }
    // A new read replaces the palette and deletes the old one.
    HPALETTE old = dib.m_hPal;
    ASSERT_TRUE(Load(BmpFields{}.Bits(8).Table(Gray(256)).Build()));
    EXPECT_EQ(GetPaletteEntries(old, 0, 1, nullptr), 0u);
}

TEST_F(DibRead, ImageSizeIsComputedOnlyWhenTheHeaderGivesNone) {
    const struct {
        const char* name;
        BmpFields fields;
        DWORD expected;
    } cases[] = {
        {"24 bits, 3 x 2", BmpFields{}.Size(3, 2).NoSizeImage(), 24},
        {"1 bit, 33 wide", BmpFields{}.Size(33, 1).Bits(1).Table(Gray(2)).NoSizeImage(), 8},
        {"top-down", BmpFields{}.Size(3, -2).NoSizeImage(), 24},
        {"given", BmpFields{}.Size(3, 2).SizeImage(7).Pixels({1, 2, 3, 4, 5, 6, 7, 8, 9}), 7},
        // 0x7FFFFFFF * 32 bits wraps to 0x7FFFFFF dwords; times 4 times 0x7FFFFFFF rows
        // wraps to 0xE0000004.
        {"wrapping in 32 bits",
         BmpFields{}.Size(0x7FFFFFFF, 0x7FFFFFFF).Bits(32).NoSizeImage().Pixels({1, 2, 3, 4}),
         0xE0000004u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Load(c.fields.Build()));
        EXPECT_EQ(dib.m_nImageSize, c.expected);
        EXPECT_EQ(dib.GetDimensions(), CSize(c.fields.width, c.fields.height));
        EXPECT_EQ(dib.m_pBits[0], c.fields.pixels.empty() ? 0 : 1);
        if (c.expected == 7) {
            EXPECT_EQ(std::memcmp(dib.m_pBits, "\1\2\3\4\5\6\7", 7), 0);
        }
    }
}

TEST_F(DibRead, GapBytesStayInTheHeaderBlockAndPixelsComeFromOffBits) {
    BmpFields s = BmpFields{}.Size(1, 1).Bits(8).Table(Gray(256)).Pixels({7, 0, 0, 0});
    s.gap = {0xAA, 0xBB, 0xCC};
    {
        platform::ProgressScope progress("正在打开位图……", false);
        ASSERT_TRUE(Load(s.Build()));
    }
    EXPECT_EQ(recorder.progressTitles, std::vector<std::string>{"正在打开位图……"});
    EXPECT_EQ(recorder.lastProgress, 1.0) << "the pixels were read to the end";
    EXPECT_EQ(dib.m_nBitsOwner, 1);
    const BYTE* block = reinterpret_cast<const BYTE*>(dib.m_pInfo);
    EXPECT_EQ(block[40 + 1024], 0xAA);
    EXPECT_EQ(block[40 + 1026], 0xCC);
    EXPECT_EQ(dib.m_nInfoSize, 40u + 1024u + 3u);
    EXPECT_EQ(dib.m_pBits[0], 7);
}

TEST_F(DibRead, WhatAShortFileLacksReadsAsZero) {
    std::vector<BYTE> bytes = BmpFields{}.Size(4, 4).Pixels(std::vector<BYTE>(48, 0x5A)).Build();
    bytes.resize(54 + 10);
    ASSERT_TRUE(Load(bytes));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(dib.m_nImageSize, 48u);
    EXPECT_EQ(dib.m_pBits[9], 0x5A);
    for (int i = 10; i < 48; ++i)
        ASSERT_EQ(dib.m_pBits[i], 0) << i;

    bytes = BmpFields{}.Bits(8).Table(Gray(256)).Build();
    bytes.resize(54 + 8); // two of 256 colour entries
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(dib.m_pColorTable[1].rgbRed, 3);
    EXPECT_EQ(dib.m_pColorTable[2].rgbRed, 0);
    EXPECT_EQ(dib.m_pColorTable[255].rgbBlue, 0);

    // A huge bfOffBits makes a huge header block, none of it read past the file.
    ASSERT_TRUE(Load(BmpFields{}.OffBits(0xFFFFFFF0).Build()));
    EXPECT_EQ(dib.m_nInfoSize, 0xFFFFFFF0u - 14u);
    EXPECT_EQ(dib.m_nImageSize, 24u);
    EXPECT_EQ(dib.m_pBits[0], 0);
}

TEST_F(DibRead, DeclaredGigabytesAreNotTouched) {
    const BmpFields s = BmpFields{}
                            .Size(3000000, 2000000)
                            .SizeImage(0xFFFFFFF0u)
                            .Pixels(std::vector<BYTE>(1024, 0x11));
    ASSERT_TRUE(Load(s.Build()));
    EXPECT_EQ(dib.m_nImageSize, 0xFFFFFFF0u);
    EXPECT_EQ(dib.m_pBits[1023], 0x11);
    EXPECT_EQ(dib.m_pBits[1024], 0);
    EXPECT_EQ(dib.m_pBits[0xFFFFFFEFu], 0);
}

TEST_F(DibRead, AnArrayOfSeveralPiecesIsReadWhole) {
    // 9 MiB of pixels, read 8 MiB at a time, then 8 MiB the array has no room for.
    std::vector<BYTE> pixels(9u << 20, 0x11);
    pixels[8u << 20] = 0x22;
    pixels.back() = 0x33;
    std::vector<BYTE> file = BmpFields{}.Size(1536, 2048).Pixels(pixels).Build();
    file.resize(file.size() + (8u << 20), 0x44);
    ASSERT_TRUE(Load(file));
    ASSERT_EQ(dib.m_nImageSize, 9u << 20);
    EXPECT_EQ(std::vector<BYTE>(dib.m_pBits + (8u << 20) - 1, dib.m_pBits + (8u << 20) + 2),
              (std::vector<BYTE>{0x11, 0x22, 0x11}));
    EXPECT_EQ(dib.m_pBits[(9u << 20) - 1], 0x33);
}
