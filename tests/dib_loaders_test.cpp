// The further loaders and the free functions beside CDib.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "dib/dib_functions.h"
#include "platform/allocator.h"
#include "platform/kernel.h"
#include "test_support.h"

#include <cstring>

namespace {

class DibLoaders : public WithRecordedMessages {
protected:
    std::string File(const BmpFields& s, const std::string& name = "in.bmp") {
        return dir.Write(name, BuildBmp(s));
    }
    static BmpFields ThreeRows() {
        return BmpFields{}.Size(1, 3).Pixels({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0});
    }
    TempDir dir;
    CDib dib;
};

std::vector<BYTE> Bits(const CDib& d) {
    return {d.m_pBits, d.m_pBits + d.m_nImageSize};
}

} // namespace

TEST_F(DibLoaders, ReadFlippedAgainstRead) {
    std::string path = File(ThreeRows());
    CFile a(path.c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&a));
    std::vector<BYTE> plain = Bits(dib);
    CFile b(path.c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.ReadFlipped(&b, FALSE));
    EXPECT_EQ(Bits(dib), plain);
    CFile c(path.c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.ReadFlipped(&c, TRUE));
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{7, 8, 9, 0, 4, 5, 6, 0, 1, 2, 3, 0}));

    CFile d(File(BmpFields{}.Header(108), "v4.bmp").c_str(), CFile::modeRead);
    EXPECT_FALSE(dib.ReadFlipped(&d, TRUE));
    // No colour table in a 54-byte header block.
    CFile e(File(BmpFields{}.Bits(8), "small.bmp").c_str(), CFile::modeRead);
    EXPECT_FALSE(dib.ReadFlipped(&e, TRUE));
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Read error", "Read error"}));
}

TEST_F(DibLoaders, ReadSectionTakesUncompressedPicturesOnly) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CFile a(File(ThreeRows()).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.ReadSection(&a, &dc));
    EXPECT_NE(dib.m_hSection, nullptr);
    EXPECT_EQ(dib.m_nBitsOwner, 0);
    EXPECT_EQ(Bits(dib), (std::vector<BYTE>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));

    const BmpFields rle =
        BmpFields{}.Bits(8).Compression(BI_RLE8).Table(std::vector<RGBQUAD>(256)).Pixels({0, 1});
    CFile b(File(rle, "rle.bmp").c_str(), CFile::modeRead);
    EXPECT_FALSE(dib.ReadSection(&b, &dc));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"ReadSection error"});

    // A biSizeImage beyond the section's layout reads only what the section holds.
    CFile c(File(ThreeRows().SizeImage(1000), "big.bmp").c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.ReadSection(&c, &dc));
    EXPECT_EQ(dib.m_nImageSize, 12u);
}

TEST_F(DibLoaders, MapFileRefusals) {
    const struct {
        const char* name;
        std::vector<BYTE> bytes;
        const char* message;
    } cases[] = {
        {"empty file", {}, "Empty bitmap file"},
        {"text file", {'h', 'e', 'l', 'l', 'o'}, "Invalid bitmap file"},
        {"OS/2 header", BmpFields{}.Header(12).OffBits(26).Build(), "AttachMemory error"},
        {"pixels cut short", ThreeRows().Pixels({1, 2, 3, 0, 4}).Build(), "AttachMemory error"},
        {"only the magic", {'B', 'M'}, "AttachMemory error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.messages.clear();
        std::string path = dir.Write("m.bmp", c.bytes);
        EXPECT_FALSE(dib.MapFile(path.c_str(), FALSE));
        EXPECT_EQ(recorder.messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_EQ(dib.m_hMapFile, nullptr);
    }
    EXPECT_FALSE(dib.MapFile(dir.Path("missing.bmp").c_str(), TRUE));
}

TEST_F(DibLoaders, MappedPixelChangesReachTheFile) {
    BmpFields s = ThreeRows().Size(4, 3).Bits(8).Table(std::vector<RGBQUAD>(256, {9, 9, 9, 0}));
    s.colors[2] = RGBQUAD{1, 2, 3, 0};
    s.gap = {0xEE, 0xEE, 0xEE, 0xEE}; // the pixels are taken from right after the table
    std::string path = File(s);
    ASSERT_TRUE(dib.MapFile(path.c_str(), TRUE));
    EXPECT_EQ(dib.m_nInfoOwner, 0);
    EXPECT_EQ(dib.m_nBitsOwner, 0);
    EXPECT_EQ(dib.m_pBits[0], 0xEE);
    dib.SetPixel(0, 0, RGBQUAD{1, 2, 3, 0}); // top row: the last stored row
    dib.Empty();
    std::vector<BYTE> bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes[54 + 1024 + 8], 2);
}

TEST_F(DibLoaders, AttachMemoryFreesAGlobalHandedOver) {
    std::vector<BYTE> file = BuildBmp(ThreeRows());
    HGLOBAL g = GlobalAlloc(GHND, file.size() - 14);
    auto* p = static_cast<BYTE*>(GlobalLock(g));
    std::memcpy(p, file.data() + 14, file.size() - 14);
    ASSERT_TRUE(dib.AttachMemory(p, TRUE, g));
    EXPECT_EQ(dib.m_nInfoOwner, 2);
    EXPECT_EQ(dib.m_pBits, p + 40);
    EXPECT_EQ(dib.m_pBits[8], 7);
    dib.Empty();
    EXPECT_EQ(GlobalSize(g), 0u); // unlocked and freed

    // A global block shorter than the DIB it claims to hold is refused.
    HGLOBAL small = GlobalAlloc(GHND, 48);
    auto* q = static_cast<BYTE*>(GlobalLock(small));
    std::memcpy(q, file.data() + 14, 48);
    EXPECT_FALSE(dib.AttachMemory(q, FALSE, small));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"AttachMemory error"});
    dib.Empty();
    EXPECT_EQ(GlobalSize(small), 48u); // not handed over: still the caller's
    GlobalUnlock(small);
    GlobalFree(small);
}

TEST_F(DibLoaders, DuplicateDibCopiesExactly) {
    const BmpFields s =
        ThreeRows().Size(4, 3).Bits(8).Table(std::vector<RGBQUAD>(256, {4, 5, 6, 0}));
    CFile f(File(s).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&f));
    CDib copy;
    ASSERT_TRUE(DuplicateDib(dib, copy));
    EXPECT_EQ(Bits(copy), Bits(dib));
    EXPECT_EQ(std::memcmp(copy.m_pInfo, dib.m_pInfo, 40 + 1024), 0);
    EXPECT_NE(copy.m_pBits, dib.m_pBits);
    EXPECT_NE(copy.m_hPal, nullptr);
    CDib empty;
    EXPECT_FALSE(DuplicateDib(empty, copy));
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"Copy DIB error"});
    EXPECT_TRUE(copy.IsEmpty());
}

TEST_F(DibLoaders, LoadDibFromFileKeepsReadsLimits) {
    CFile f(File(ThreeRows()).c_str(), CFile::modeRead);
    BITMAPINFOHEADER* header = nullptr;
    BYTE* bits = nullptr;
    ASSERT_TRUE(LoadDibFromFile(&f, &header, &bits));
    EXPECT_EQ(header->biSizeImage, 12u);
    EXPECT_EQ(bits[8], 7);
    platform::AfxFreeBlock(header);
    platform::AfxFreeBlock(bits);

    CFile g(File(BmpFields{}.Bits(8).ClrUsed(305402420), "t.bmp").c_str(), CFile::modeRead);
    EXPECT_FALSE(LoadDibFromFile(&g, &header, &bits));
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"Read error"});
}

TEST_F(DibLoaders, PalettesAndScreen) {
    HPALETTE screen = MakeScreenPalette();
    ASSERT_NE(screen, nullptr);
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(screen, 0, 256, e), 256u);
    EXPECT_EQ(e[1].peRed, 128);
    EXPECT_EQ(e[100].peRed, 0);
    EXPECT_EQ(e[255].peGreen, 255);
    HPALETTE copy = DuplicatePalette(screen);
    PALETTEENTRY c[256];
    ASSERT_EQ(GetPaletteEntries(copy, 0, 256, c), 256u);
    EXPECT_EQ(std::memcmp(c, e, sizeof e), 0);
    DeleteObject(copy);
    DeleteObject(screen);

    RGBQUAD table[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    BITMAPINFOHEADER h{40, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    HPALETTE pal = MakeColorTablePalette(table, &h);
    ASSERT_EQ(GetPaletteEntries(pal, 0, 2, c), 2u);
    EXPECT_EQ(c[1].peRed, 6);
    DeleteObject(pal);
    h.biBitCount = 24;
    EXPECT_EQ(MakeColorTablePalette(table, &h), nullptr);
}

TEST_F(DibLoaders, GrabScreenAreaClampsItsRectangle) {
    CDib grab;
    EXPECT_FALSE(GrabScreenArea(RECT{5, 5, 5, 9}, grab));
    ASSERT_TRUE(GrabScreenArea(RECT{-10, -20, 30, 40}, grab));
    EXPECT_EQ(grab.GetDimensions(), CSize(30, 40));
    EXPECT_EQ(grab.m_pInfo->biBitCount, 24);
    ASSERT_TRUE(GrabScreenArea(RECT{1000, 700, 5000, 5000}, grab));
    EXPECT_EQ(grab.GetDimensions(), CSize(24, 68)); // the screen is 1024 x 768 here
}

TEST_F(DibLoaders, StretchDibToDCDrawsTheWholePicture) {
    CFile f(File(ThreeRows()).c_str(), CFile::modeRead);
    ASSERT_TRUE(dib.Read(&f));
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 2, 6);
    dc.SelectObject(bmp);
    EXPECT_FALSE(StretchDibToDC(&dc, nullptr, dib.m_pBits, 0, 0, 2, 6, nullptr));
    EXPECT_TRUE(StretchDibToDC(&dc, reinterpret_cast<BITMAPINFO*>(dib.m_pInfo), dib.m_pBits, 0, 0,
                               2, 6, nullptr));
    EXPECT_EQ(dc.GetPixel(1, 0), RGB(9, 8, 7)); // the top row is the last stored
    EXPECT_EQ(dc.GetPixel(0, 5), RGB(3, 2, 1));
    dc.DeleteDC();
    DeleteObject(bmp);
}
