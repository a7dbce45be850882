// StretchDIBits on memory contexts: row order, sampling, clipping, run-length streams and
// the limits of the arrays it is given (the drawn-pixel test compares every depth of
// real files with the structure view's decoder).
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
    // Every pixel, row by row from the top.
    std::vector<COLORREF> All() const {
        BITMAP bm{};
        GetObject(m_bmp, sizeof bm, &bm);
        std::vector<COLORREF> out;
        for (int y = 0; y < bm.bmHeight; ++y)
            for (int x = 0; x < bm.bmWidth; ++x)
                out.push_back(At(x, y));
        return out;
    }

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

using Colours = std::vector<COLORREF>;
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

DWORD Quad(BYTE r, BYTE g, BYTE b) {
    return DWORD{b} | DWORD{g} << 8 | DWORD{r} << 16;
}

int Draw(const Canvas& c, int x, int y, int w, int h, const Info& info,
         const std::vector<BYTE>& bits, int srcW, int srcH) {
    return StretchDIBits(c.dc(), x, y, w, h, 0, 0, srcW, srcH, bits.data(), info.get(),
                         DIB_RGB_COLORS, SRCCOPY, bits.size(), info.bytes.size());
}

} // namespace

TEST(StretchDIBits, RowsShowUprightEitherWayTheyAreStored) {
    Canvas c(2, 2);
    // Stored bottom row first: red, green; then the top row: blue, white.
    std::vector<BYTE> bits = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    EXPECT_NE(Draw(c, 0, 0, 2, 2, Info(2, 2, 24), bits, 2, 2), 0);
    EXPECT_EQ(c.All(), (Colours{kBlue, kWhite, kRed, kGreen}));

    // Top-down: the first stored row is the top one, and the height's magnitude counts.
    Canvas td(1, 2);
    bits = {0, 0, 255, 0, 255, 0, 0, 0};
    EXPECT_NE(Draw(td, 0, 0, 1, 2, Info(1, -2, 24), bits, 1, 2), 0);
    EXPECT_EQ(td.All(), (Colours{kRed, kBlue}));
    EXPECT_EQ(Draw(td, 0, 0, 1, 2, Info(1, -2, 24), bits, 1, -2), 0);
}

TEST(StretchDIBits, IndicesPastTheTableAreBlack) {
    Canvas c(3, 1);
    Info info(3, 1, 8, BI_RGB, {Quad(255, 255, 255), Quad(9, 9, 9), Quad(8, 8, 8)});
    info.header().biClrUsed = 2; // the table's third entry is not part of it
    EXPECT_NE(Draw(c, 0, 0, 3, 1, info, {1, 2, 200, 0}, 3, 1), 0);
    EXPECT_EQ(c.All(), (Colours{RGB(9, 9, 9), kBlack, kBlack}));

    // A table the header block does not hold is cut at the block's end.
    EXPECT_NE(Draw(c, 0, 0, 3, 1, Info(3, 1, 8, BI_RGB, {Quad(1, 1, 1)}), {0, 1, 0, 0}, 3, 1), 0);
    EXPECT_EQ(c.All(), (Colours{RGB(1, 1, 1), kBlack, RGB(1, 1, 1)}));
}

TEST(StretchDIBits, RefusesWhatItCannotDraw) {
    Canvas c(2, 2);
    std::vector<BYTE> bits(64, 0);
    const struct {
        const char* name;
        Info info;
    } cases[] = {
        // clang-format off
        {"zero width", Info(0, 2, 24)},           {"zero height", Info(2, 0, 24)},
        {"two bits", Info(2, 2, 2)},              {"64 bits", Info(2, 2, 64)},
        {"RLE8 at 4 bits", Info(2, 2, 4, BI_RLE8)}, {"RLE8 top-down", Info(2, -2, 8, BI_RLE8)},
        {"JPEG", Info(2, 2, 24, BI_JPEG)},        {"bitfields without masks", Info(2, 2, 16, BI_BITFIELDS)},
        {"a zero mask", Info(2, 2, 16, BI_BITFIELDS, {0xF800, 0, 0x1F})},
        {"bitfields at 24 bits", Info(2, 2, 24, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000})},
        // clang-format on
    };
    for (const auto& k : cases) {
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

TEST(StretchDIBits, ShrinkingKeepsTheLastColumnAndFirstRowOfEachGroup) {
    // A 4 x 4 picture whose pixel (x, y), counted from the top, has red x and green y.
    std::vector<BYTE> bits;
    for (int stored = 0; stored < 4; ++stored)
        for (int x = 0; x < 4; ++x)
            bits.insert(bits.end(), {0, static_cast<BYTE>(3 - stored), static_cast<BYTE>(x)});
    Canvas c(2, 2);
    EXPECT_NE(Draw(c, 0, 0, 2, 2, Info(4, 4, 24), bits, 4, 4), 0);
    EXPECT_EQ(c.All(), (Colours{RGB(1, 0, 0), RGB(3, 0, 0), RGB(1, 2, 0), RGB(3, 2, 0)}));
    // Into a single row too: the first row, not the last.
    Canvas one(1, 1);
    EXPECT_NE(Draw(one, 0, 0, 1, 1, Info(4, 4, 24), bits, 4, 4), 0);
    EXPECT_EQ(one.All(), (Colours{RGB(3, 0, 0)}));
}

TEST(StretchDIBits, ClippingKeepsEachPixelsSourceAndANegativeWidthMirrors) {
    Info info(4, 1, 8, BI_RGB, {Quad(0, 0, 0), Quad(1, 0, 0), Quad(2, 0, 0), Quad(3, 0, 0)});
    info.header().biClrUsed = 4;
    const std::vector<BYTE> bits = {0, 1, 2, 3};
    Canvas c(3, 1);
    // 8 destination columns from x = -5: only x = 0..2 (destination 5..7) are visible.
    EXPECT_NE(Draw(c, -5, 0, 8, 1, info, bits, 4, 1), 0);
    EXPECT_EQ(c.All(), (Colours{RGB(2, 0, 0), RGB(3, 0, 0), RGB(3, 0, 0)}));
    EXPECT_EQ(Draw(c, 3, 0, 8, 1, info, bits, 4, 1), 0); // nothing visible

    // A run of -2 at x = 1 covers columns 0..1, source column 0 at x = 1.
    Info rgb(2, 1, 24);
    const std::vector<BYTE> redGreen = {0, 0, 255, 0, 255, 0, 0, 0};
    Canvas m(2, 1);
    EXPECT_NE(StretchDIBits(m.dc(), 1, 0, -2, 1, 0, 0, 2, 1, redGreen.data(), rgb.get(),
                            DIB_RGB_COLORS, SRCCOPY, redGreen.size(), rgb.bytes.size()),
              0);
    EXPECT_EQ(m.All(), (Colours{kGreen, kRed}));

    // A source rectangle past the picture's right edge: what it would show is left alone.
    Canvas past(2, 1);
    EXPECT_NE(StretchDIBits(past.dc(), 0, 0, 2, 1, 1, 0, 2, 1, redGreen.data(), rgb.get(),
                            DIB_RGB_COLORS, SRCCOPY, redGreen.size(), rgb.bytes.size()),
              0);
    EXPECT_EQ(past.All(), (Colours{kGreen, kSentinel}));
}

TEST(StretchDIBits, PixelsPastTheArrayAreBlackAndNeverRead) {
    // Two rows of 3 pixels declared, but the array holds only the bottom row and one
    // byte: the sanitizer catches any read of the vector's end.
    std::vector<BYTE> bits = {10, 10, 10, 20, 20, 20, 30, 30, 30, 0, 0, 0, 40};
    Canvas c(3, 2);
    EXPECT_NE(Draw(c, 0, 0, 3, 2, Info(3, 2, 24), bits, 3, 2), 0);
    EXPECT_EQ(c.All(),
              (Colours{kBlack, kBlack, kBlack, RGB(10, 10, 10), RGB(20, 20, 20), RGB(30, 30, 30)}));

    // 32 bits: the second pixel's last two bytes are missing.
    Canvas two(2, 1);
    EXPECT_NE(Draw(two, 0, 0, 2, 1, Info(2, 1, 32), {1, 2, 3, 0, 5, 6}, 2, 1), 0);
    EXPECT_EQ(two.All(), (Colours{RGB(3, 2, 1), kBlack}));
    Info masked(2, 1, 32, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF});
    EXPECT_NE(Draw(two, 0, 0, 2, 1, masked, {1, 2, 3, 0, 5, 6}, 2, 1), 0);
    EXPECT_EQ(two.All(), (Colours{RGB(3, 2, 1), kBlack}));

    // A picture far larger than its array, as a lying header declares.
    Canvas big(345, 234);
    EXPECT_NE(Draw(big, 0, 0, 345, 234, Info(20000, 20000, 24), bits, 20000, 20000), 0);
    EXPECT_EQ(big.At(0, 233), kBlack);
    EXPECT_EQ(big.At(344, 0), kBlack);

    // Row offsets of the largest header overflow 64 bits; such rows are simply absent.
    Info widest(0x7FFFFFFF, 0x7FFFFFFF, 32);
    EXPECT_NE(Draw(big, 0, 0, 345, 234, widest, bits, 0x7FFFFFFF, 0x7FFFFFFF), 0);
    EXPECT_EQ(big.At(0, 0), kBlack);
}

TEST(StretchDIBits, RunLengthDecodesRunsAbsoluteRunsAndDeltas) {
    std::vector<DWORD> table;
    for (int i = 0; i < 16; ++i)
        table.push_back(Quad(static_cast<BYTE>(i * 10), 0, 0));
    auto pal = [](int i) { return RGB(static_cast<BYTE>(i * 10), 0, 0); };
    Info info(4, 3, 8, BI_RLE8, table);
    // Bottom row: 2 x index 1, then absolute 3 4 5 (the last one dropped at the edge);
    // end of line; a delta of (3, 1) leaves the middle row unset; index 6; end.
    const std::vector<BYTE> rle = {2, 1, 0, 3, 3, 4, 5, 0, 0, 0, 0, 2, 3, 1, 1, 6, 0, 1};
    info.header().biSizeImage = static_cast<DWORD>(rle.size());
    Canvas c(4, 3);
    EXPECT_NE(Draw(c, 0, 0, 4, 3, info, rle, 4, 3), 0);
    // Pixels never set keep the destination in a 1:1 copy.
    const COLORREF s = kSentinel;
    EXPECT_EQ(c.All(), (Colours{s, s, s, pal(6), s, s, s, s, pal(1), pal(1), pal(3), pal(4)}));

    // Stretching shows unset pixels as colour 0.
    Canvas wide(8, 3);
    EXPECT_NE(Draw(wide, 0, 0, 8, 3, info, rle, 4, 3), 0);
    EXPECT_EQ(wide.At(0, 1), pal(0));
    EXPECT_EQ(wide.At(7, 0), pal(6));
    // Mirrored, the same picture the other way round.
    Canvas mirrored(8, 3);
    EXPECT_NE(Draw(mirrored, 7, 0, -8, 3, info, rle, 4, 3), 0);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(mirrored.At(x, y), wide.At(7 - x, y)) << x << "," << y;

    // 4 bits alternate nibbles; an absolute run of 3 nibbles takes two bytes and no pad.
    Info four(5, 1, 4, BI_RLE4, table);
    Canvas r4(5, 1);
    EXPECT_NE(Draw(r4, 0, 0, 5, 1, four, {5, 0x12, 0, 1}, 5, 1), 0);
    EXPECT_EQ(r4.All(), (Colours{pal(1), pal(2), pal(1), pal(2), pal(1)}));
    EXPECT_NE(Draw(r4, 0, 0, 5, 1, four, {0, 3, 0xAB, 0xC0, 2, 0x77, 0, 1}, 5, 1), 0);
    EXPECT_EQ(r4.All(), (Colours{pal(10), pal(11), pal(12), pal(7), pal(7)}));
}
