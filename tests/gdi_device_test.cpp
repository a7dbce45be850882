// Device bitmaps read back as DIBs, blits, and what a true-colour display reports.
#include "platform/gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A 3 x 2 device bitmap: top row white, black, red; bottom row all (16, 16, 16).
HBITMAP MakeBitmap() {
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 3, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
    auto fill = [dc](RECT r, COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc, &r, b);
        DeleteObject(b);
    };
    fill({0, 0, 1, 1}, RGB(255, 255, 255));
    fill({2, 0, 3, 1}, RGB(255, 0, 0));
    fill({0, 1, 3, 2}, RGB(16, 16, 16));
    DeleteDC(dc);
    return bmp;
}

struct Info {
    std::vector<BYTE> bytes;
    Info(int bits, DWORD compression = BI_RGB) : bytes(40 + 4 * 256) {
        BITMAPINFOHEADER h{40, 3, 2, 1, static_cast<WORD>(bits), compression, 0, 0, 0, 0, 0};
        std::memcpy(bytes.data(), &h, 40);
    }
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
    BITMAPINFOHEADER& header() { return get()->bmiHeader; }
};

} // namespace

TEST(GdiDevice, GetDIBitsQueriesAndConverts) {
    HBITMAP bmp = MakeBitmap();
    HDC dc = CreateCompatibleDC(nullptr);
    Info query(0);
    EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, nullptr, query.get(), DIB_RGB_COLORS, query.bytes.size()),
              2);
    EXPECT_EQ(query.header().biBitCount, 32);
    EXPECT_EQ(query.header().biSizeImage, 24u);

    Info mono(1);
    std::vector<BYTE> bits(8, 0xAA);
    EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, bits.data(), mono.get(), DIB_RGB_COLORS, mono.bytes.size()),
              2);
    // Bottom row first: dark grey is nearer black; then white, black, red (nearer black).
    EXPECT_EQ(bits[0], 0x00);
    EXPECT_EQ(bits[4], 0x80);
    EXPECT_EQ(mono.bytes[40 + 4], 255); // the table: black, white

    Info rgb555(16);
    std::vector<BYTE> words(16);
    GetDIBits(dc, bmp, 0, 2, words.data(), rgb555.get(), DIB_RGB_COLORS, rgb555.bytes.size());
    EXPECT_EQ(words[0], 0x42); // (16, 16, 16) -> 2 in each field: 0x0842
    EXPECT_EQ(words[1], 0x08);
    EXPECT_EQ(words[8 + 4], 0x00); // red, top row, third pixel
    EXPECT_EQ(words[8 + 5], 0x7C);

    Info masked(32, BI_BITFIELDS);
    const DWORD masks[3] = {0x3FF00000, 0x000FFC00, 0x000003FF};
    std::memcpy(masked.bytes.data() + 40, masks, 12);
    std::vector<BYTE> px(24);
    GetDIBits(dc, bmp, 0, 2, px.data(), masked.get(), DIB_RGB_COLORS, masked.bytes.size());
    DWORD white;
    std::memcpy(&white, &px[12], 4);
    EXPECT_EQ(white, 0x3FCFF3FCu); // 255 << 2 in each 10-bit field

    Info bad(24, BI_RLE8);
    EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, nullptr, bad.get(), DIB_RGB_COLORS, bad.bytes.size()), 0);
    Info fine(24);
    EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, nullptr, fine.get(), DIB_RGB_COLORS, 39),
              0); // no room for the header
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST(GdiDevice, TheDisplayIsTrueColour) {
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 0);
    PALETTEENTRY e[256];
    std::memset(e, 0x77, sizeof e);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, e), 0u);
    EXPECT_EQ(e[1].peRed, 128);
    EXPECT_EQ(e[100].peRed, 0);
    EXPECT_EQ(e[246].peRed, 255);
    EXPECT_EQ(e[246].peGreen, 251);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(CreateDC("PRINTER", nullptr, nullptr, nullptr), nullptr);
}

TEST(GdiDevice, BlitsCopyWhatBothSidesHold) {
    HBITMAP src = MakeBitmap();
    HBITMAP dst = CreateCompatibleBitmap(nullptr, 4, 4);
    HDC s = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
    SelectObject(s, src);
    SelectObject(d, dst);
    EXPECT_TRUE(BitBlt(d, 2, 2, 3, 2, s, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(d, 2, 2), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d, 3, 3), RGB(16, 16, 16));
    EXPECT_EQ(GetPixel(d, 1, 1), RGB(0, 0, 0));
    EXPECT_TRUE(StretchBlt(d, 0, 0, 1, 1, s, 0, 0, 3, 2, SRCCOPY)); // last column, first row
    EXPECT_EQ(GetPixel(d, 0, 0), RGB(255, 0, 0));
    EXPECT_FALSE(BitBlt(d, 0, 0, -1, 1, s, 0, 0, SRCCOPY));
    BITMAP bm{};
    EXPECT_EQ(GetObject(src, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidthBytes, 12);
    EXPECT_EQ(bm.bmBits, nullptr);
    EXPECT_EQ(GetObject(src, 4, &bm), 0);
    DeleteDC(s);
    DeleteDC(d);
    DeleteObject(src);
    DeleteObject(dst);
}
