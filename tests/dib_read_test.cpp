// Reading BMP files into a CDib: what is accepted, what is refused, and what the
// object holds afterwards.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "test_support.h"

#include <sys/resource.h>

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

struct RefusedCase {
    const char* name;
    std::vector<BYTE> bytes;
    bool emptyAfter; // refused before any header block was attached
};

std::vector<RefusedCase> RefusedCases() {
    std::vector<RefusedCase> cases;
    cases.push_back({"empty file", {}, true});
    cases.push_back({"13 bytes", std::vector<BYTE>(13, 'B'), true});
    BmpFields lower;
    lower.magic = 0x6D62; // "bm"
    cases.push_back({"lower-case magic", BuildBmp(lower), true});
    BmpFields swapped;
    swapped.magic = 0x424D; // "MB"
    cases.push_back({"swapped magic", BuildBmp(swapped), true});
    BmpFields os2;
    os2.headerSize = 12;
    os2.bitCount = 8;
    os2.colors = Gray(192); // 256 three-byte entries
    cases.push_back({"OS/2 header", BuildBmp(os2), false});
    for (DWORD size : {108u, 124u, 64u}) {
        BmpFields s;
        s.headerSize = size;
        cases.push_back({"longer header", BuildBmp(s), false});
    }
    BmpFields lowOffset;
    lowOffset.offBitsOverride = 53;
    cases.push_back({"bfOffBits below 54", BuildBmp(lowOffset), true});
    BmpFields tinyOffset;
    tinyOffset.offBitsOverride = 2;
    cases.push_back({"bfOffBits inside the file header", BuildBmp(tinyOffset), true});
    BmpFields shortTable;
    shortTable.bitCount = 8;
    shortTable.colors = Gray(255); // one entry short of the 256 an 8-bit picture has
    cases.push_back({"colour table past bfOffBits", BuildBmp(shortTable), false});
    BmpFields hugeClrUsed;
    hugeClrUsed.bitCount = 8;
    hugeClrUsed.clrUsed = 305402420;
    hugeClrUsed.colors = Gray(256);
    cases.push_back({"biClrUsed larger than the header block", BuildBmp(hugeClrUsed), false});
    BmpFields wrappingClrUsed;
    wrappingClrUsed.bitCount = 24;
    wrappingClrUsed.clrUsed = 0x40000000; // 4 * entries wraps to 0 in 32 bits
    cases.push_back({"biClrUsed whose table size wraps", BuildBmp(wrappingClrUsed), false});
    return cases;
}

} // namespace

TEST_F(DibRead, RefusesWhatItCannotReadSafely) {
    for (const RefusedCase& c : RefusedCases()) {
        SCOPED_TRACE(c.name);
        recorder.messages.clear();
        EXPECT_FALSE(Load(c.bytes));
        EXPECT_EQ(recorder.messages, std::vector<std::string>{"Read error"});
        EXPECT_EQ(dib.IsEmpty() != FALSE, c.emptyAfter);
        EXPECT_EQ(dib.m_pBits, nullptr);
        EXPECT_EQ(dib.m_hPal, nullptr);
    }
}

TEST_F(DibRead, MessageIsAnOkBoxWithTheExclamationIcon) {
    EXPECT_FALSE(Load({}));
    ASSERT_EQ(recorder.types.size(), 1u);
    EXPECT_EQ(recorder.types[0], MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(DibRead, NextReadReleasesAHeaderLeftByAFailure) {
    BmpFields os2;
    os2.headerSize = 108;
    EXPECT_FALSE(Load(BuildBmp(os2)));
    EXPECT_FALSE(dib.IsEmpty());
    EXPECT_NE(dib.m_pInfo, nullptr);
    EXPECT_TRUE(Load(BuildBmp(BmpFields{})));
    EXPECT_EQ(dib.m_pInfo->biSize, 40u);
}

TEST_F(DibRead, ColourTableEntriesFollowClrUsedThenDepth) {
    struct Case {
        const char* name;
        int bits;
        DWORD clrUsed;
        int tableSize;
        int expected;
    };
    const Case cases[] = {{"8-bit, biClrUsed 0", 8, 0, 256, 256},
                          {"8-bit, biClrUsed 16", 8, 16, 16, 16},
                          {"24-bit, biClrUsed 10", 24, 10, 10, 10},
                          {"2-bit, biClrUsed 0", 2, 0, 0, 0},
                          {"1-bit", 1, 0, 2, 2},
                          {"4-bit", 4, 0, 16, 16},
                          {"32-bit", 32, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s;
        s.bitCount = c.bits;
        s.clrUsed = c.clrUsed;
        s.colors = Gray(c.tableSize);
        ASSERT_TRUE(Load(BuildBmp(s)));
        EXPECT_EQ(dib.m_nColorTableEntries, c.expected);
        EXPECT_EQ(dib.m_hPal != nullptr, c.expected > 0);
        EXPECT_EQ(reinterpret_cast<BYTE*>(dib.m_pColorTable),
                  reinterpret_cast<BYTE*>(dib.m_pInfo) + 40);
    }
}

TEST_F(DibRead, PaletteComesFromTheColourTable) {
    BmpFields s;
    s.bitCount = 24;
    s.clrUsed = 10;
    s.colors = Gray(10);
    s.colors[0] = {30, 20, 10, 99};
    ASSERT_TRUE(Load(BuildBmp(s)));
    PALETTEENTRY e[10];
    ASSERT_EQ(GetPaletteEntries(dib.m_hPal, 0, 10, e), 10u);
    EXPECT_EQ(e[0].peRed, 10);
    EXPECT_EQ(e[0].peGreen, 20);
    EXPECT_EQ(e[0].peBlue, 30);
    EXPECT_EQ(e[0].peFlags, 0);
    EXPECT_EQ(e[9].peRed, 11);
}

TEST_F(DibRead, ImageSizeIsComputedOnlyWhenTheHeaderGivesNone) {
    BmpFields computed;
    computed.width = 3;
    computed.height = 2;
    computed.keepSizeImageZero = true;
    ASSERT_TRUE(Load(BuildBmp(computed)));
    EXPECT_EQ(dib.m_nImageSize, 24u);

    BmpFields oneBit;
    oneBit.width = 33;
    oneBit.height = 1;
    oneBit.bitCount = 1;
    oneBit.colors = Gray(2);
    oneBit.keepSizeImageZero = true;
    ASSERT_TRUE(Load(BuildBmp(oneBit)));
    EXPECT_EQ(dib.m_nImageSize, 8u);

    BmpFields topDown = computed;
    topDown.height = -2;
    ASSERT_TRUE(Load(BuildBmp(topDown)));
    EXPECT_EQ(dib.m_nImageSize, 24u);
    EXPECT_EQ(dib.GetDimensions(), CSize(3, -2));

    BmpFields given;
    given.width = 3;
    given.height = 2;
    given.sizeImage = 7;
    given.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(Load(BuildBmp(given)));
    EXPECT_EQ(dib.m_nImageSize, 7u);
    EXPECT_EQ(std::memcmp(dib.m_pBits, "\1\2\3\4\5\6\7", 7), 0);
}

TEST_F(DibRead, ImageSizeWrapsIn32BitsWithoutOverflowing) {
    BmpFields s;
    s.width = 0x7FFFFFFF;
    s.height = 0x7FFFFFFF;
    s.bitCount = 32;
    s.keepSizeImageZero = true;
    s.pixels = {1, 2, 3, 4};
    ASSERT_TRUE(Load(BuildBmp(s)));
    // 0x7FFFFFFF * 32 bits wraps to 0xFFFFFFE0, that is 0x7FFFFFF dwords; times 4 times
    // 0x7FFFFFFF rows wraps to 0xE0000004.
    EXPECT_EQ(dib.m_nImageSize, 0xE0000004u);
}

TEST_F(DibRead, GapBytesStayInTheHeaderBlockAndPixelsComeFromOffBits) {
    BmpFields s;
    s.width = 1;
    s.height = 1;
    s.bitCount = 8;
    s.colors = Gray(256);
    s.gap = {0xAA, 0xBB, 0xCC};
    s.pixels = {7, 0, 0, 0};
    ASSERT_TRUE(Load(BuildBmp(s)));
    const BYTE* block = reinterpret_cast<const BYTE*>(dib.m_pInfo);
    EXPECT_EQ(block[40 + 1024], 0xAA);
    EXPECT_EQ(block[40 + 1026], 0xCC);
    EXPECT_EQ(dib.m_nInfoSize, 40u + 1024u + 3u);
    EXPECT_EQ(dib.m_pBits[0], 7);
}

TEST_F(DibRead, ShortFileLoadsWithZerosForWhatItLacks) {
    BmpFields s;
    s.width = 4;
    s.height = 4;
    std::vector<BYTE> bytes = BuildBmp(s);
    for (size_t i = 54; i < bytes.size(); ++i)
        bytes[i] = 0x5A;
    bytes.resize(54 + 10);
    ASSERT_TRUE(Load(bytes));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(dib.m_nImageSize, 48u);
    EXPECT_EQ(dib.m_pBits[9], 0x5A);
    for (int i = 10; i < 48; ++i)
        ASSERT_EQ(dib.m_pBits[i], 0) << i;
}

TEST_F(DibRead, HeaderBlockCutShortReadsAsZero) {
    BmpFields s;
    s.bitCount = 8;
    s.colors = Gray(256);
    std::vector<BYTE> bytes = BuildBmp(s);
    bytes.resize(54 + 8); // two of 256 colour entries
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(dib.m_pColorTable[1].rgbRed, 3);
    EXPECT_EQ(dib.m_pColorTable[2].rgbRed, 0);
    EXPECT_EQ(dib.m_pColorTable[255].rgbBlue, 0);
}

TEST_F(DibRead, DeclaredGigabytesAreNotTouched) {
    BmpFields s;
    s.width = 3000000;
    s.height = 2000000;
    s.sizeImage = 0xFFFFFFF0u;
    s.pixels = std::vector<BYTE>(1024, 0x11);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    ASSERT_TRUE(Load(BuildBmp(s)));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(dib.m_nImageSize, 0xFFFFFFF0u);
    EXPECT_EQ(dib.m_pBits[1023], 0x11);
    EXPECT_EQ(dib.m_pBits[1024], 0);
    EXPECT_EQ(dib.m_pBits[0xFFFFFFEFu], 0);
    // Peak resident memory may grow by a few huge pages, never by gigabytes.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);
}

TEST_F(DibRead, HugeOffBitsLoadsWithoutReadingPastTheFile) {
    BmpFields s;
    s.offBitsOverride = 0xFFFFFFF0;
    ASSERT_TRUE(Load(BuildBmp(s)));
    EXPECT_EQ(dib.m_nInfoSize, 0xFFFFFFF0u - 14u);
    EXPECT_EQ(dib.m_nImageSize, 24u);
    EXPECT_EQ(dib.m_pBits[0], 0);
}

TEST_F(DibRead, ReadReplacesWhatWasLoaded) {
    BmpFields a;
    a.bitCount = 8;
    a.colors = Gray(256);
    ASSERT_TRUE(Load(BuildBmp(a)));
    ASSERT_NE(dib.m_hPal, nullptr);
    HPALETTE old = dib.m_hPal;
    ASSERT_TRUE(Load(BuildBmp(BmpFields{})));
    EXPECT_EQ(dib.m_hPal, nullptr);
    EXPECT_EQ(GetPaletteEntries(old, 0, 1, nullptr), 0u); // deleted
    EXPECT_EQ(dib.m_nColorTableEntries, 0);
}
