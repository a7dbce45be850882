// CDib with the graphics system: compression, device bitmaps, sections, flipped drawing.
#include "dib/dib.h"
#include "dib/dib_functions.h"
#include "platform/allocator.h"
#include "platform/cmemfile.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/rle.h"
#include "test_support.h"
#include "tests/bmp_builder.h"

#include <cstring>

namespace {

class DibDevice : public WithRecordedMessages {
protected:
    void SetUp() override {
        WithRecordedMessages::SetUp();
        dc.CreateCompatibleDC(nullptr);
    }
    // A w x h picture of the depth whose colour table has distinct colours and whose
    // pixel (x, y) is stored with the given index function.
    template <typename F> void Make(int w, int h, int bits, F index) {
        dib.CreateBlank(CSize(w, h), bits);
        for (int i = 0; i < dib.m_nColorTableEntries; ++i)
            dib.m_pColorTable[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                                           static_cast<BYTE>(i * 7), 0};
        dib.AdoptBits(platform::AfxAllocZeroed(dib.m_nImageSize));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetIndex(x, y, static_cast<BYTE>(index(x, y)));
        dib.MakePalette();
    }
    void SetIndex(int x, int y, BYTE v) {
        int stride = (dib.m_pInfo->biWidth * dib.m_pInfo->biBitCount + 31) / 32 * 4;
        BYTE* row = dib.m_pBits + (dib.m_pInfo->biHeight - 1 - y) * stride;
        if (dib.m_pInfo->biBitCount == 8)
            row[x] = v;
        else
            row[x / 2] |= static_cast<BYTE>(x % 2 == 0 ? v << 4 : v);
    }
    std::vector<BYTE> Bits() const { return {dib.m_pBits, dib.m_pBits + dib.m_nImageSize}; }
    CDC dc;
    CDib dib;
};

} // namespace

TEST_F(DibDevice, CompressesAOneColourPictureAsTheDriverDoes) {
    Make(10, 3, 8, [](int, int) { return 5; });
    ASSERT_TRUE(dib.Compress(&dc, TRUE));
    EXPECT_EQ(dib.m_pInfo->biCompression, BI_RLE8);
    EXPECT_EQ(Bits(), (std::vector<BYTE>{10, 5, 0, 0, 10, 5, 0, 0, 10, 5, 0, 0, 0, 1}));
    EXPECT_EQ(dib.m_nImageSize, 14u);
    EXPECT_EQ(dib.m_pInfo->biSizeImage, 14u);
    ASSERT_TRUE(dib.Compress(&dc, FALSE));
    EXPECT_EQ(dib.m_pInfo->biCompression, BI_RGB);
    EXPECT_EQ(dib.m_nImageSize, 36u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(dib.m_pBits[y * 12 + x], 5);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(DibDevice, CompressAndExpandRoundTripsExactly) {
    for (int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        int colours = bits == 4 ? 16 : 256;
        // Runs, literal stretches and single pixels in every row.
        auto index = [colours](int x, int y) {
            return (x < 7 ? 3 : x < 20 ? (x * 5 + y) : 9) % colours;
        };
        Make(23, 5, bits, index);
        std::vector<BYTE> original = Bits();
        ASSERT_TRUE(dib.Compress(&dc, TRUE));
        EXPECT_EQ(dib.m_pInfo->biCompression, bits == 4 ? BI_RLE4 : BI_RLE8);
        EXPECT_EQ(dib.m_pInfo->biSizeImage, dib.m_nImageSize);
        ASSERT_TRUE(dib.Compress(&dc, FALSE));
        EXPECT_EQ(Bits(), original);
        EXPECT_EQ(dib.m_nColorTableEntries, colours);
    }
}

TEST_F(DibDevice, CompressRefusesWithoutMessage) {
    Make(4, 4, 8, [](int, int) { return 1; });
    dib.m_pInfo->biBitCount = 24;
    EXPECT_FALSE(dib.Compress(&dc, TRUE));
    CDib section;
    section.CreateBlank(CSize(4, 4), 8);
    ASSERT_NE(section.CreateSection(&dc), nullptr);
    EXPECT_FALSE(section.Compress(&dc, TRUE));
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(DibDevice, SectionsOwnTheirPixels) {
    CDib d(CSize(3, 2), 24);
    HBITMAP section = d.CreateSection(&dc);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(d.m_pBits, nullptr);
    EXPECT_EQ(d.m_nBitsOwner, 0);
    d.m_pBits[23] = 7; // the whole zeroed array is there
    BITMAP bm{};
    ASSERT_EQ(GetObject(section, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidthBytes, 12);
    EXPECT_EQ(bm.bmBits, d.m_pBits);
    EXPECT_EQ(d.CreateSection(&dc), nullptr); // pixels are already attached
    d.Empty();
    EXPECT_EQ(GetObject(section, sizeof bm, &bm), 0); // deleted with the object

    CDib rle(CSize(2, 2), 8);
    rle.m_pInfo->biCompression = BI_RLE8;
    EXPECT_EQ(rle.CreateSection(&dc), nullptr);
}

TEST_F(DibDevice, ThirtyTwoBitScreenBitmapBecomesTwentyFourBitDib) {
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 3, 2);
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, bmp);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT top{0, 0, 3, 1};
    FillRect(mem, &top, red);
    SelectObject(mem, CreateCompatibleBitmap(nullptr, 1, 1));
    ASSERT_TRUE(dib.CreateFromBitmap(bmp, nullptr));
    EXPECT_EQ(dib.m_pInfo->biBitCount, 24);
    EXPECT_EQ(dib.m_nColorTableEntries, 0);
    EXPECT_EQ(dib.m_nImageSize, 24u);
    RGBQUAD p = dib.GetPixel(2, 0);
    EXPECT_EQ(p.rgbRed, 255);
    EXPECT_EQ(p.rgbBlue, 0);
    EXPECT_EQ(dib.GetPixel(0, 1).rgbRed, 0);
    EXPECT_FALSE(dib.CreateFromBitmap(nullptr, nullptr));
    DeleteDC(mem);
    DeleteObject(bmp);
    DeleteObject(red);
}

TEST_F(DibDevice, DeviceBitmapHoldsThePicture) {
    Make(2, 1, 8, [](int x, int) { return x == 0 ? 3 : 4; });
    HBITMAP ddb = dib.CreateDeviceBitmap(&dc);
    ASSERT_NE(ddb, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, ddb);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(21, 252, 3));
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(28, 251, 4));
    DeleteDC(mem);
    DeleteObject(ddb);
    CDib none;
    EXPECT_EQ(none.CreateDeviceBitmap(&dc), nullptr);
}

TEST_F(DibDevice, DrawFlippedTwiceRestoresTheArray) {
    Make(8, 3, 8, [](int x, int y) { return x + 8 * y; });
    std::vector<BYTE> original = Bits();
    HBITMAP target = CreateCompatibleBitmap(nullptr, 8, 3);
    dc.SelectObject(target);
    ASSERT_TRUE(dib.DrawFlipped(&dc, CPoint(0, 0), CSize(8, 3), 1));
    EXPECT_EQ(dib.m_pBits[0], original[16]);
    ASSERT_TRUE(dib.DrawFlipped(&dc, CPoint(0, 0), CSize(8, 3), 1));
    EXPECT_EQ(Bits(), original);
    ASSERT_TRUE(dib.DrawFlipped(&dc, CPoint(0, 0), CSize(8, 3), 0));
    EXPECT_EQ(Bits(), original);

    // Memory the object does not own is left alone; the flip lands in an owned copy.
    std::vector<BYTE> outside = original;
    BYTE* owned = dib.m_pBits;
    dib.m_pBits = outside.data();
    dib.m_nBitsOwner = 0;
    platform::AfxFreeBlock(owned);
    ASSERT_TRUE(dib.DrawFlipped(&dc, CPoint(0, 0), CSize(8, 3), 1));
    EXPECT_EQ(outside, original);
    EXPECT_EQ(dib.m_nBitsOwner, 1);
    EXPECT_NE(dib.m_pBits, outside.data());
    dc.DeleteDC();
    DeleteObject(target);
}

TEST_F(DibDevice, HalftonePaletteOnlyWithoutColourTable) {
    Make(1, 1, 8, [](int, int) { return 0; });
    EXPECT_FALSE(dib.MakeHalftonePalette(&dc));
    CDib rgb(CSize(1, 1), 24);
    EXPECT_EQ(rgb.RealizeIn(&dc, FALSE), 0u);
    ASSERT_TRUE(rgb.MakeHalftonePalette(&dc));
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(rgb.m_hPal, 0, 256, e), 256u);
    EXPECT_EQ(e[10].peRed, 64);
    EXPECT_EQ(e[10].peGreen, 32);
    EXPECT_EQ(e[245].peRed, 160);
    EXPECT_EQ(e[245].peGreen, 192);
    EXPECT_EQ(e[245].peBlue, 192);
    EXPECT_EQ(e[255].peBlue, 255);
    EXPECT_EQ(rgb.RealizeIn(&dc, FALSE), 0u); // a true-colour display maps no entries
}

// Every call that makes device contexts, bitmaps or palettes gives them all back.
TEST_F(DibDevice, DeviceWorkLeavesNoGraphicsObjectBehind) {
    const std::size_t live = platform::gdi::LiveObjectCount();
    const std::vector<BYTE> file = BmpFields{}.Size(3, 2).Build();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"compress and expand",
         [&] {
             Make(23, 5, 8, [](int x, int) { return x % 3; });
             EXPECT_TRUE(dib.Compress(&dc, TRUE));
             EXPECT_TRUE(dib.Compress(&dc, FALSE));
         }},
        {"a section", [&] { EXPECT_NE(CDib(CSize(3, 2), 24).CreateSection(&dc), nullptr); }},
        {"a section read from a file",
         [&] {
             CMemFile in(const_cast<BYTE*>(file.data()), static_cast<UINT>(file.size()));
             EXPECT_TRUE(dib.ReadSection(&in, &dc));
         }},
        {"a device bitmap",
         [&] {
             Make(2, 1, 8, [](int, int) { return 1; });
             EXPECT_TRUE(DeleteObject(dib.CreateDeviceBitmap(&dc)));
         }},
        {"from a device bitmap and its own screen palette",
         [&] {
             HBITMAP bmp = CreateCompatibleBitmap(nullptr, 3, 2);
             EXPECT_TRUE(dib.CreateFromBitmap(bmp, nullptr));
             DeleteObject(bmp);
         }},
        {"a duplicate and its palette",
         [&] {
             Make(2, 1, 8, [](int, int) { return 1; });
             CDib copy;
             EXPECT_TRUE(DuplicateDib(dib, copy));
         }},
        {"a screen capture",
         [&] {
             EXPECT_TRUE(GrabScreenArea(RECT{0, 0, 4, 4}, dib));
         }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        step();
        dib.Empty();
        EXPECT_EQ(platform::gdi::LiveObjectCount(), live);
    }
}

TEST(Rle, EncoderFollowsTheDriversRules) {
    using platform::gdi::EncodeRle;
    // 1, 2 then a run of 3, then 4 5 6: a pair each for the leftovers, an absolute run.
    const BYTE row[] = {1, 2, 7, 7, 7, 4, 5, 6};
    EXPECT_EQ(EncodeRle(row, 8, 1, false),
              (std::vector<BYTE>{1, 1, 1, 2, 3, 7, 0, 3, 4, 5, 6, 0, 0, 0, 0, 1}));
    const BYTE nibbles[] = {1, 2, 3, 9, 9};
    EXPECT_EQ(EncodeRle(nibbles, 5, 1, true),
              (std::vector<BYTE>{0, 3, 0x12, 0x30, 2, 0x99, 0, 0, 0, 1}));
    std::vector<BYTE> long_run(300, 4);
    EXPECT_EQ(EncodeRle(long_run.data(), 300, 1, false),
              (std::vector<BYTE>{255, 4, 45, 4, 0, 0, 0, 1}));
}
