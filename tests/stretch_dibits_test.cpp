// StretchDIBits on memory contexts: every depth and compression, row order,
// sampling, clipping, and the limits of the arrays it is given.
#include "platform/gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

// A memory context on a w x h bitmap filled with the sentinel colour.
class Canvas {
public:
    Canvas(int w, int h)
        : m_dc(CreateCompatibleDC(nullptr)), m_bmp(CreateCompatibleBitmap(nullptr, w, h)) {
        SelectObject(m_dc, m_bmp);
        HBRUSH b = CreateSolidBrush(kSentinel);
        RECT all{0, 0, w, h};
        FillRect(m_dc, &all, b);
        DeleteObject(b);
        SetStretchBltMode(m_dc, COLORONCOLOR);
    }
    ~Canvas() {
        DeleteDC(m_dc);
        DeleteObject(m_bmp);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }

private:
    HDC m_dc;
    HBITMAP m_bmp;
};

// A header block sized exactly, so that a read past it is caught by the sanitizer.
struct Info {
    std::vector<BYTE> bytes;
    explicit Info(int w, int h, int bits, DWORD compression = BI_RGB,
                  std::vector<DWORD> extra = {}) {
        BITMAPINFOHEADER ih{40, w, h, 1, static_cast<WORD>(bits), compression, 0, 0, 0, 0, 0};
        bytes.resize(40 + 4 * extra.size());
        std::memcpy(bytes.data(), &ih, 40);
        if (!extra.empty())
            std::memcpy(bytes.data() + 40, extra.data(), 4 * extra.size());
    }
    BITMAPINFOHEADER& header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
    const BITMAPINFO* get() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
};

DWORD Quad(BYTE r, BYTE g, BYTE b) {
    return DWORD{b} | DWORD{g} << 8 | DWORD{r} << 16;
}

int Draw(const Canvas& c, int x, int y, int w, int h, const Info& info,
         const std::vector<BYTE>& bits, int srcW, int srcH) {
    return StretchDIBits(c.dc(), x, y, w, h, 0, 0, srcW, srcH, bits.data(), info.get(),
                         DIB_RGB_COLORS, SRCCOPY, bits.size(), info.bytes.size());
}

} // namespace

TEST(StretchDIBits, TwentyFourBitsBottomUpShowUpright) {
    Canvas c(2, 2);
    Info info(2, 2, 24);
    // Stored bottom row first: red, green; then the top row: blue, white.
    std::vector<BYTE> bits = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    EXPECT_NE(Draw(c, 0, 0, 2, 2, info, bits, 2, 2), 0);
    EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(c.At(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(c.At(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(c.At(1, 1), RGB(0, 255, 0));
}

TEST(StretchDIBits, TopDownPicturesShowUprightWithTheirHeightsMagnitude) {
    Canvas c(1, 2);
    Info info(1, -2, 24);
    std::vector<BYTE> bits = {0, 0, 255, 0, 255, 0, 0, 0}; // top row red
    EXPECT_NE(Draw(c, 0, 0, 1, 2, info, bits, 1, 2), 0);
    EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.At(0, 1), RGB(0, 0, 255));
    EXPECT_EQ(Draw(c, 0, 0, 1, 2, info, bits, 1, -2), 0);
}

TEST(StretchDIBits, PaletteDepthsIndexTheColourTable) {
    struct Case {
        const char* name;
        int bits;
        std::vector<BYTE> row; // one stored row, padded
        std::vector<COLORREF> expected;
    };
    std::vector<DWORD> table(16);
    for (int i = 0; i < 16; ++i)
        table[i] = Quad(static_cast<BYTE>(i * 10), static_cast<BYTE>(i), 7);
    auto color = [](int i) { return RGB(static_cast<BYTE>(i * 10), static_cast<BYTE>(i), 7); };
    const Case cases[] = {
        {"1 bit, leftmost pixel in bit 7",
         1,
         {0xA0, 0, 0, 0},
         {color(1), color(0), color(1), color(0)}},
        {"4 bits, high nibble left",
         4,
         {0x3C, 0x05, 0, 0},
         {color(3), color(12), color(0), color(5)}},
        {"8 bits", 8, {15, 2, 0, 9}, {color(15), color(2), color(0), color(9)}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Canvas c(4, 1);
        std::vector<DWORD> t(table.begin(), table.begin() + (k.bits == 1 ? 2 : 16));
        Info info(4, 1, k.bits, BI_RGB, t);
        EXPECT_NE(Draw(c, 0, 0, 4, 1, info, k.row, 4, 1), 0);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(c.At(x, 0), k.expected[x]) << x;
    }
}

TEST(StretchDIBits, IndicesPastTheTableAreBlack) {
    Canvas c(3, 1);
    std::vector<DWORD> table = {Quad(255, 255, 255), Quad(9, 9, 9), Quad(8, 8, 8)};
    Info info(3, 1, 8, BI_RGB, table);
    info.header().biClrUsed = 2; // the table's third entry is not part of it
    std::vector<BYTE> bits = {1, 2, 200, 0};
    EXPECT_NE(Draw(c, 0, 0, 3, 1, info, bits, 3, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(9, 9, 9));
    EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(c.At(2, 0), RGB(0, 0, 0));

    // A table the header block does not hold is cut at the block's end.
    Info cut(3, 1, 8, BI_RGB, {Quad(1, 1, 1)});
    std::vector<BYTE> zero = {0, 1, 0, 0};
    EXPECT_NE(Draw(c, 0, 0, 3, 1, cut, zero, 3, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(1, 1, 1));
    EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0));
}

TEST(StretchDIBits, SixteenBitsAre555OrTheirMasks) {
    Canvas c(3, 1);
    Info rgb(3, 1, 16);
    // 0x7FFF white, 0x4210 = 16 in each channel -> 132, 0x8000 has only the unused bit.
    std::vector<BYTE> bits = {0xFF, 0x7F, 0x10, 0x42, 0x00, 0x80, 0, 0};
    EXPECT_NE(Draw(c, 0, 0, 3, 1, rgb, bits, 3, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(c.At(1, 0), RGB(132, 132, 132));
    EXPECT_EQ(c.At(2, 0), RGB(0, 0, 0));

    Info m565(3, 1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F});
    std::vector<BYTE> px = {0x00, 0xF8, 0xE0, 0x07,
                            0x20, 0x00, 0,    0}; // red, green, green's low bit
    EXPECT_NE(Draw(c, 0, 0, 3, 1, m565, px, 3, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.At(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(c.At(2, 0), RGB(0, 4, 0));
}

TEST(StretchDIBits, ThirtyTwoBits) {
    Canvas c(2, 1);
    Info rgb(2, 1, 32);
    std::vector<BYTE> bits = {10, 20, 30, 0xEE, 1, 2, 3, 4};
    EXPECT_NE(Draw(c, 0, 0, 2, 1, rgb, bits, 2, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(30, 20, 10));
    EXPECT_EQ(c.At(1, 0), RGB(3, 2, 1));

    Info masked(2, 1, 32, BI_BITFIELDS, {0x000000FF, 0x0000FF00, 0x3FF00000});
    std::vector<BYTE> px = {0x11, 0x22, 0x00, 0x3F, 0, 0, 0, 0};
    EXPECT_NE(Draw(c, 0, 0, 2, 1, masked, px, 2, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(0x11, 0x22, 0xFC)); // 10-bit blue keeps its top 8 bits
}

TEST(StretchDIBits, RefusesWhatItCannotDraw) {
    Canvas c(2, 2);
    std::vector<BYTE> bits(64, 0);
    struct Case {
        const char* name;
        Info info;
    };
    Case cases[] = {
        {"zero width", Info(0, 2, 24)},
        {"zero height", Info(2, 0, 24)},
        {"two bits", Info(2, 2, 2)},
        {"64 bits", Info(2, 2, 64)},
        {"RLE8 at 4 bits", Info(2, 2, 4, BI_RLE8)},
        {"RLE8 top-down", Info(2, -2, 8, BI_RLE8)},
        {"JPEG", Info(2, 2, 24, BI_JPEG)},
        {"bitfields without masks", Info(2, 2, 16, BI_BITFIELDS)},
        {"a zero mask", Info(2, 2, 16, BI_BITFIELDS, {0xF800, 0, 0x1F})},
        {"bitfields at 24 bits", Info(2, 2, 24, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000})},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(Draw(c, 0, 0, 2, 2, k.info, bits, 2, 2), 0);
        EXPECT_EQ(c.At(0, 0), kSentinel);
    }
    Info ok(2, 2, 24);
    EXPECT_EQ(StretchDIBits(c.dc(), 0, 0, 2, 2, 0, 0, 2, 2, nullptr, ok.get(), DIB_RGB_COLORS,
                            SRCCOPY, 64, 40),
              0);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, bits.data(), ok.get(), DIB_RGB_COLORS,
                            SRCCOPY, 64, 40),
              0);
    EXPECT_EQ(Draw(c, 0, 0, 0, 2, ok, bits, 2, 2), 0);
}

TEST(StretchDIBits, ShrinkingKeepsLastColumnAndFirstRowOfEachGroup) {
    // A 4 x 4 picture whose pixel (x, y), counted from the top, has red x and green y.
    Info info(4, 4, 24);
    std::vector<BYTE> bits;
    for (int stored = 0; stored < 4; ++stored) {
        for (int x = 0; x < 4; ++x) {
            bits.insert(bits.end(), {0, static_cast<BYTE>(3 - stored), static_cast<BYTE>(x)});
        }
    }
    Canvas c(2, 2);
    EXPECT_NE(Draw(c, 0, 0, 2, 2, info, bits, 4, 4), 0);
    EXPECT_EQ(c.At(0, 0), RGB(1, 0, 0));
    EXPECT_EQ(c.At(1, 0), RGB(3, 0, 0));
    EXPECT_EQ(c.At(0, 1), RGB(1, 2, 0));
    EXPECT_EQ(c.At(1, 1), RGB(3, 2, 0));
}

TEST(StretchDIBits, ClippingKeepsEachPixelsSource) {
    Info info(4, 1, 8, BI_RGB, {Quad(0, 0, 0), Quad(1, 0, 0), Quad(2, 0, 0), Quad(3, 0, 0)});
    info.header().biClrUsed = 4;
    std::vector<BYTE> bits = {0, 1, 2, 3};
    Canvas c(3, 1);
    // 8 destination columns from x = -5: only x = 0..2 (destination 5..7) are visible.
    EXPECT_NE(Draw(c, -5, 0, 8, 1, info, bits, 4, 1), 0);
    EXPECT_EQ(c.At(0, 0), RGB(2, 0, 0));
    EXPECT_EQ(c.At(1, 0), RGB(3, 0, 0));
    EXPECT_EQ(c.At(2, 0), RGB(3, 0, 0));
    EXPECT_EQ(Draw(c, 3, 0, 8, 1, info, bits, 4, 1), 0); // nothing visible
}

TEST(StretchDIBits, NegativeDestinationWidthMirrors) {
    Info info(2, 1, 24);
    std::vector<BYTE> bits = {0, 0, 255, 0, 255, 0, 0, 0};
    Canvas c(2, 1);
    // A run of -2 at x = 1 covers columns 0..1, source column 0 at x = 1.
    EXPECT_NE(StretchDIBits(c.dc(), 1, 0, -2, 1, 0, 0, 2, 1, bits.data(), info.get(),
                            DIB_RGB_COLORS, SRCCOPY, bits.size(), info.bytes.size()),
              0);
    EXPECT_EQ(c.At(1, 0), RGB(255, 0, 0));
    EXPECT_EQ(c.At(0, 0), RGB(0, 255, 0));
}

TEST(StretchDIBits, PixelsPastTheArrayAreBlackAndNeverRead) {
    // Two rows of 3 pixels declared, but the array holds only the bottom row and one
    // byte: the sanitizer catches any read of the vector's end.
    Info info(3, 2, 24);
    std::vector<BYTE> bits = {10, 10, 10, 20, 20, 20, 30, 30, 30, 0, 0, 0, 40};
    Canvas c(3, 2);
    EXPECT_NE(Draw(c, 0, 0, 3, 2, info, bits, 3, 2), 0);
    EXPECT_EQ(c.At(0, 1), RGB(10, 10, 10));
    EXPECT_EQ(c.At(2, 1), RGB(30, 30, 30));
    EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0)); // its first byte is there, its last two are not
    EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0));

    // A picture far larger than its array, as a lying header declares.
    Info huge(20000, 20000, 24);
    Canvas big(345, 234);
    EXPECT_NE(Draw(big, 0, 0, 345, 234, huge, bits, 20000, 20000), 0);
    EXPECT_EQ(big.At(0, 233), RGB(0, 0, 0));
    EXPECT_EQ(big.At(344, 0), RGB(0, 0, 0));

    // Row offsets of the largest header overflow 64 bits; such rows are simply absent.
    Info widest(0x7FFFFFFF, 0x7FFFFFFF, 32);
    EXPECT_NE(Draw(big, 0, 0, 345, 234, widest, bits, 0x7FFFFFFF, 0x7FFFFFFF), 0);
    EXPECT_EQ(big.At(0, 0), RGB(0, 0, 0));
}

TEST(StretchDIBits, Rle8DecodesRunsAbsoluteRunsAndDeltas) {
    std::vector<DWORD> table;
    for (int i = 0; i < 8; ++i)
        table.push_back(Quad(static_cast<BYTE>(i * 30), 0, 0));
    auto color = [](int i) { return RGB(static_cast<BYTE>(i * 30), 0, 0); };
    Info info(4, 3, 8, BI_RLE8, table);
    // Bottom row: 2 x index 1, then absolute 3 4 5 (the last one dropped at the edge);
    // end of line; a delta of (3, 1) leaves the middle row unset; index 6; end.
    std::vector<BYTE> rle = {2, 1, 0, 3, 3, 4, 5, 0, 0, 0, 0, 2, 3, 1, 1, 6, 0, 1};
    info.header().biSizeImage = static_cast<DWORD>(rle.size());
    Canvas c(4, 3);
    EXPECT_NE(Draw(c, 0, 0, 4, 3, info, rle, 4, 3), 0);
    EXPECT_EQ(c.At(0, 2), color(1));
    EXPECT_EQ(c.At(1, 2), color(1));
    EXPECT_EQ(c.At(2, 2), color(3));
    EXPECT_EQ(c.At(3, 2), color(4));
    EXPECT_EQ(c.At(0, 1), kSentinel); // never set: a 1:1 copy leaves the destination
    EXPECT_EQ(c.At(3, 0), color(6));
    EXPECT_EQ(c.At(2, 0), kSentinel);

    // Stretching shows unset pixels as colour 0.
    Canvas wide(8, 3);
    EXPECT_NE(Draw(wide, 0, 0, 8, 3, info, rle, 4, 3), 0);
    EXPECT_EQ(wide.At(0, 1), color(0));
    EXPECT_EQ(wide.At(7, 0), color(6));
}

TEST(StretchDIBits, Rle4AlternatesNibbles) {
    std::vector<DWORD> table;
    for (int i = 0; i < 16; ++i)
        table.push_back(Quad(static_cast<BYTE>(i), 0, 0));
    Info info(5, 1, 4, BI_RLE4, table);
    std::vector<BYTE> rle = {5, 0x12, 0, 1};
    Canvas c(5, 1);
    EXPECT_NE(Draw(c, 0, 0, 5, 1, info, rle, 5, 1), 0);
    const int expected[] = {1, 2, 1, 2, 1};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(c.At(x, 0), RGB(static_cast<BYTE>(expected[x]), 0, 0)) << x;

    // An absolute run of 3 nibbles takes two bytes and needs no pad.
    std::vector<BYTE> abs = {0, 3, 0xAB, 0xC0, 2, 0x77, 0, 1};
    EXPECT_NE(Draw(c, 0, 0, 5, 1, info, abs, 5, 1), 0);
    const int expected2[] = {10, 11, 12, 7, 7};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(c.At(x, 0), RGB(static_cast<BYTE>(expected2[x]), 0, 0)) << x;
}

TEST(StretchDIBits, RleStreamsThatLieStopSafely) {
    Info info(4, 2, 8, BI_RLE8, std::vector<DWORD>(256, Quad(9, 9, 9)));
    const std::vector<std::vector<BYTE>> streams = {
        {0, 200, 1, 2},           // absolute run longer than the stream
        {0, 2, 255, 255, 3, 1},   // delta far past the picture
        {255, 1, 255, 1, 0, 0},   // runs past the right edge
        {0, 0, 0, 0, 0, 0, 5, 5}, // rows above the top
        {7},                      // half a pair
    };
    for (const auto& s : streams) {
        Canvas c(8, 4);
        Draw(c, 0, 0, 8, 4, info, s, 4, 2);
    }
}
