// Device contexts, brushes, palettes and bitmaps of the software graphics.
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"

#include <gtest/gtest.h>

TEST(GdiObjects, FillRectPaintsLeftAndTopEdgesOnly) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 4, 4);
    ASSERT_NE(SelectObject(dc, bmp), nullptr); // the stock bitmap comes back
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(236, 233, 216));
    RECT r{1, 1, 3, 3};
    EXPECT_EQ(FillRect(dc, &r, brush), 1);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(236, 233, 216));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(236, 233, 216));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 0, 0));
    RECT outside{-10, -10, 100, 2};
    EXPECT_EQ(FillRect(dc, &outside, brush), 1); // clipped to the bitmap
    EXPECT_EQ(GetPixel(dc, 3, 1), RGB(236, 233, 216));
    EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);

    EXPECT_FALSE(DeleteObject(bmp)); // still selected
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush)); // a stale handle is refused, not used
    EXPECT_EQ(FillRect(dc, &r, brush), 0);
}

TEST(GdiObjects, SurfaceContextsDrawIntoTheirClip) {
    platform::gdi::Surface face(4, 2, RGB(9, 9, 9));
    RECT clip{1, 0, 3, 2};
    HDC dc = platform::gdi::CreateSurfaceDC(&face, &clip);
    HBRUSH brush = CreateSolidBrush(RGB(200, 0, 0));
    RECT all{0, 0, 4, 2};
    FillRect(dc, &all, brush);
    EXPECT_EQ(platform::gdi::Surface::ToColorRef(face.Row(0)[0]), RGB(9, 9, 9));
    EXPECT_EQ(platform::gdi::Surface::ToColorRef(face.Row(1)[2]), RGB(200, 0, 0));
    EXPECT_EQ(platform::gdi::Surface::ToColorRef(face.Row(1)[3]), RGB(9, 9, 9));
    EXPECT_EQ(platform::gdi::SurfaceOf(dc), &face);
    EXPECT_EQ(SelectObject(dc, CreateCompatibleBitmap(nullptr, 1, 1)), nullptr);
    DeleteDC(dc);
    DeleteObject(brush);
}

TEST(GdiObjects, PalettesAndStretchModes) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGPALETTE one{0x300, 1, {{10, 20, 30, 0}}};
    HPALETTE pal = CreatePalette(&one);
    HPALETTE stock = SelectPalette(dc, pal, TRUE);
    ASSERT_NE(stock, nullptr);
    PALETTEENTRY e[2]{};
    EXPECT_EQ(GetPaletteEntries(pal, 0, 2, e), 1u);
    EXPECT_EQ(e[0].peBlue, 30);
    EXPECT_EQ(GetPaletteEntries(pal, 1, 1, e), 0u);
    EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(dc), TRUE), nullptr);
    EXPECT_FALSE(DeleteObject(stock));
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_EQ(SelectPalette(dc, stock, FALSE), stock); // the context fell back to its default

    EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(SetStretchBltMode(dc, 99), 0);
    DeleteDC(dc);
}
