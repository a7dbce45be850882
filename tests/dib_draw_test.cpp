// CDib::Draw: the whole picture scaled into a rectangle.
#include "bmp_builder.h"
#include "dib/dib.h"
#include "platform/allocator.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DibDraw : public ::testing::Test {
protected:
    void SetUp() override {
        dc.CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, 6, 6);
        dc.SelectObject(bmp);
        HBRUSH b = CreateSolidBrush(RGB(236, 233, 216));
        RECT all{0, 0, 6, 6};
        dc.FillRect(&all, b);
        DeleteObject(b);
    }
    void TearDown() override {
        dc.DeleteDC();
        DeleteObject(bmp);
    }
    CDC dc;
    HBITMAP bmp = nullptr;
};

// A 4 x 4 8-bit picture whose pixel (x, y) from the top has index 4y + x and colour
// (red 10x, green 10y, blue 0).
void Fill4x4(CDib& dib, int height) {
    dib.CreateBlank(CSize(4, height), 8);
    for (int i = 0; i < 16; ++i)
        dib.m_pColorTable[i] =
            RGBQUAD{0, static_cast<BYTE>(i / 4 * 10), static_cast<BYTE>(i % 4 * 10), 0};
    dib.AdoptBits(platform::AfxAllocZeroed(16));
    for (int y = 0; y < 4; ++y) {
        int stored = height > 0 ? 3 - y : y;
        for (int x = 0; x < 4; ++x)
            dib.m_pBits[stored * 4 + x] = static_cast<BYTE>(4 * y + x);
    }
    dib.MakePalette();
}

} // namespace

TEST_F(DibDraw, HalfSizeShrinksTheWholePicture) {
    CDib dib;
    Fill4x4(dib, 4);
    EXPECT_TRUE(dib.Draw(&dc, CPoint(1, 1), CSize(2, 2)));
    EXPECT_EQ(dc.GetStretchBltMode(), COLORONCOLOR);
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(10, 0, 0));  // column 1, row 0
    EXPECT_EQ(dc.GetPixel(2, 1), RGB(30, 0, 0));  // column 3, row 0
    EXPECT_EQ(dc.GetPixel(1, 2), RGB(10, 20, 0)); // column 1, row 2
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(30, 20, 0));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(236, 233, 216));
    EXPECT_EQ(dc.GetPixel(3, 3), RGB(236, 233, 216));
}

TEST_F(DibDraw, SelectsItsPaletteAsBackground) {
    CDib dib;
    Fill4x4(dib, 4);
    dib.Draw(&dc, CPoint(0, 0), CSize(4, 4));
    EXPECT_EQ(dc.SelectPalette(dib.m_hPal, TRUE), dib.m_hPal);
}

TEST_F(DibDraw, TopDownPictureIsDrawnUpright) {
    CDib dib;
    Fill4x4(dib, -4);
    EXPECT_TRUE(dib.Draw(&dc, CPoint(0, 0), CSize(4, 4)));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(3, 3), RGB(30, 30, 0));
}

TEST_F(DibDraw, WithoutHeaderDrawsNothing) {
    CDib dib;
    EXPECT_FALSE(dib.Draw(&dc, CPoint(0, 0), CSize(6, 6)));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(236, 233, 216));
    dib.CreateBlank(CSize(2, 2), 24); // a header but no pixels
    EXPECT_TRUE(dib.Draw(&dc, CPoint(0, 0), CSize(6, 6)));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(236, 233, 216));
}

TEST_F(DibDraw, BitfieldsMasksPastTheHeaderBlockDrawNothing) {
    CDib dib(CSize(2, 2), 16);
    dib.m_pInfo->biCompression = BI_BITFIELDS; // the 40-byte block has no room for masks
    dib.AdoptBits(platform::AfxAllocZeroed(8));
    EXPECT_TRUE(dib.Draw(&dc, CPoint(0, 0), CSize(2, 2)));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(236, 233, 216));
}

// DrawPart: a part of the picture, named from the top, whichever way its rows are
// stored and whether or not it is scaled.
TEST_F(DibDraw, DrawPartShowsTheNamedPartEitherWayUp) {
    struct Case {
        const char* name;
        int height;
        RECT source;
        CSize size;
    } cases[] = {
        {"bottom-up, enlarged", 4, {1, 2, 3, 4}, {4, 4}},
        {"top-down, enlarged", -4, {1, 2, 3, 4}, {4, 4}},
        {"bottom-up, own size", 4, {2, 0, 4, 3}, {2, 3}},
        {"top-down, own size", -4, {2, 0, 4, 3}, {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDib dib;
        Fill4x4(dib, c.height);
        dc.SetStretchBltMode(BLACKONWHITE);
        ASSERT_TRUE(dib.DrawPart(&dc, CPoint(1, 1), c.size, c.source));
        EXPECT_EQ(dc.GetStretchBltMode(), COLORONCOLOR);
        EXPECT_EQ(dc.SelectPalette(dib.m_hPal, TRUE), dib.m_hPal);
        const int sx = c.size.cx / (c.source.right - c.source.left);
        const int sy = c.size.cy / (c.source.bottom - c.source.top);
        for (int y = 0; y < c.size.cy; ++y)
            for (int x = 0; x < c.size.cx; ++x) {
                const int px = c.source.left + x / sx, py = c.source.top + y / sy;
                EXPECT_EQ(dc.GetPixel(1 + x, 1 + y), RGB(10 * px, 10 * py, 0)) << x << "," << y;
            }
    }
}

TEST_F(DibDraw, DrawPartRefusesWithoutAHeaderOrPastTheCoordinateRange) {
    CDib empty;
    EXPECT_FALSE(empty.DrawPart(&dc, CPoint(0, 0), CSize(2, 2), RECT{0, 0, 1, 1}));
    CDib dib;
    Fill4x4(dib, 4);
    EXPECT_FALSE(
        dib.DrawPart(&dc, CPoint(0, 0), CSize(2, 2), RECT{0, INT32_MIN, 1, INT32_MIN + 1}));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(236, 233, 216)) << "nothing drawn";
}
