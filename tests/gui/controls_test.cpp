// The preview pane and the swatch, drawn in the main dialog as the user sees them.
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "controls/preview_geometry.h"
#include "controls/preview_overlays.h"
#include "controls/shrink_to_fit.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "tests/bmp_builder.h"
#include "tests/gui/viewer_fixture.h"

#include <map>

namespace {

TEST(ShrinkToFit, KeepsProportionsAndNeverEnlarges) {
    struct Case {
        int w, h, cw, ch, fitW, fitH;
    };
    const Case cases[] = {
        {1000, 100, 345, 234, 345, 34}, {1000, 1000, 345, 234, 234, 234},
        {800, 600, 345, 234, 312, 233}, {100, 50, 345, 234, 100, 50},
        {345, 234, 345, 234, 345, 234}, {346, 1, 345, 234, 345, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
        const CSize fit = ShrinkToFit(c.w, c.h, c.cw, c.ch);
        EXPECT_EQ(fit.cx, c.fitW);
        EXPECT_EQ(fit.cy, c.fitH);
    }
}

// A 24-bit picture whose top rows are colour `top` and the rest `rest`.
std::vector<BYTE> Picture(int w, int h, COLORREF top, COLORREF rest, int topRows = 1) {
    return PictureOf(w, h, [=](int, int y) { return y < topRows ? top : rest; });
}

class Preview : public ViewerTest {
protected:
    // Loads a picture into the dialog's bitmap and hands it to the pane, as opening does.
    void Show(const std::vector<BYTE>& bytes, BOOL erase = TRUE) {
        const std::string path = dir.Write("p.bmp", bytes);
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
        ASSERT_TRUE(dlg.m_pDib->Read(&file));
        dlg.m_picture.m_pDib = dlg.m_pDib;
        dlg.m_picture.m_nShowMode = 3;
        dlg.m_picture.Invalidate(erase);
    }
    QImage Pane() { return Grab(dlg.m_picture); }
};

// The pointer's geometry against what the drawing shows: every pane pixel names the
// picture pixel it shows, and each picture pixel the pane pixels that show it.
TEST_F(Preview, ThePointerGeometryIsTheExactInverseOfTheDrawing) {
    const auto code = [](int x, int y) { return RGB(x >> 8 | (y >> 8) << 4, y & 0xFF, x & 0xFF); };
    struct Case {
        const char* name;
        int w, h, sizeMode;
    } cases[] = {{"shrunk", 700, 500, 0},
                 {"natural size", 40, 30, 0},
                 {"stretched", 7, 5, 2},
                 {"one pixel", 1, 1, 0}};
    RunModal(dlg, [&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Show(PictureOf(c.w, c.h, code));
            dlg.m_picture.m_nSizeMode = c.sizeMode;
            const QImage pane = Pane();
            RECT client;
            dlg.m_picture.GetClientRect(&client);
            const auto g = PreviewOf(*dlg.m_pDib->m_pInfo, client, c.sizeMode);
            ASSERT_TRUE(g);
            // Shrunk to a line of no height (or width), nothing is drawn to point at.
            BITMAPINFOHEADER line = *dlg.m_pDib->m_pInfo;
            line.biWidth = 1000;
            line.biHeight = 1;
            EXPECT_FALSE(PreviewOf(line, client, 0));
            std::swap(line.biWidth, line.biHeight);
            EXPECT_FALSE(PreviewOf(line, client, 0));
            std::map<std::pair<int, int>, RECT> shows; // picture pixel -> pane pixels
            for (int y = 0; y < client.bottom; ++y)
                for (int x = 0; x < client.right; ++x) {
                    const auto at = PicturePointAt(*g, CPoint(x, y));
                    const COLORREF seen = PixelAt(pane, x, y);
                    if (x >= g->drawn.cx || y >= g->drawn.cy) {
                        ASSERT_FALSE(at) << x << "," << y;
                        continue;
                    }
                    ASSERT_TRUE(at) << x << "," << y;
                    ASSERT_EQ(seen, code(at->x, at->y)) << x << "," << y;
                    RECT& r =
                        shows.try_emplace({at->x, at->y}, RECT{x, y, x + 1, y + 1}).first->second;
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
            // Columns and rows are independent: every column along two rows, every row
            // along two columns.
            std::vector<CPoint> probes;
            for (int px = 0; px < c.w; ++px)
                probes.insert(probes.end(), {CPoint(px, 0), CPoint(px, c.h - 1)});
            for (int py = 0; py < c.h; ++py)
                probes.insert(probes.end(), {CPoint(0, py), CPoint(c.w / 2, py)});
            for (const CPoint p : probes) {
                const RECT r = PaneRectOf(*g, p);
                const auto shown = shows.find({p.x, p.y});
                if (shown != shows.end()) {
                    ASSERT_TRUE(r.left == shown->second.left && r.top == shown->second.top &&
                                r.right == shown->second.right && r.bottom == shown->second.bottom)
                        << p.x << "," << p.y;
                    continue;
                }
                // Dropped by shrinking: one pane pixel, showing a nearest neighbour.
                ASSERT_EQ(r.right - r.left, 1);
                ASSERT_EQ(r.bottom - r.top, 1);
                const auto at = PicturePointAt(*g, CPoint(r.left, r.top));
                ASSERT_TRUE(at);
                for (int x = 0; x < g->drawn.cx; ++x)
                    ASSERT_LE(std::abs(at->x - p.x),
                              std::abs(PicturePointAt(*g, CPoint(x, 0))->x - p.x));
                for (int y = 0; y < g->drawn.cy; ++y)
                    ASSERT_LE(std::abs(at->y - p.y),
                              std::abs(PicturePointAt(*g, CPoint(0, y))->y - p.y));
            }
        }
    });
}

// The marker goes around a pixel of the picture, the first column and row included,
// and nowhere for a position the picture lacks.
TEST_F(Preview, TheMarkerMarksPicturePixelsOnly) {
    RunModal(dlg, [&] {
        Show(PictureOf(40, 30, [](int, int) { return RGB(0, 0, 200); }));
        const QImage clean = Pane();
        dlg.m_picture.SetMarker(CPoint(0, 0));
        QImage pane = Pane();
        EXPECT_EQ(PixelAt(pane, 2, 0), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(pane, 0, 2), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(pane, 3, 3), RGB(255, 255, 255));
        for (const CPoint outside : {CPoint(40, 0), CPoint(0, 30), CPoint(-1, 0), CPoint(0, -1)}) {
            dlg.m_picture.SetMarker(outside);
            EXPECT_EQ(Pane(), clean) << outside.x << "," << outside.y;
        }
    });
}

TEST_F(Preview, SmallPicturesArePixelForPixelAndTheRestIsNotPainted) {
    RunModal(dlg, [&] {
        Show(Picture(345, 234, RGB(1, 2, 3), RGB(9, 8, 7)));
        QImage pane = Pane();
        EXPECT_EQ(PixelAt(pane, 0, 0), RGB(1, 2, 3));
        EXPECT_EQ(PixelAt(pane, 344, 233), RGB(9, 8, 7));
        // Without erasing, a smaller picture leaves the old one beside it.
        dlg.m_pDib->Empty();
        Show(Picture(100, 50, RGB(0, 255, 0), RGB(0, 255, 0)), FALSE);
        pane = Pane();
        EXPECT_EQ(PixelAt(pane, 99, 49), RGB(0, 255, 0));
        EXPECT_EQ(PixelAt(pane, 100, 100), RGB(9, 8, 7));
        // With erasing, the face colour shows around it.
        dlg.m_picture.Invalidate(TRUE);
        pane = Pane();
        EXPECT_EQ(PixelAt(pane, 99, 49), RGB(0, 255, 0));
        EXPECT_EQ(PixelAt(pane, 100, 100), kFace);
    });
}

TEST_F(Preview, TopDownPicturesShowUprightScaledByTheirHeight) {
    RunModal(dlg, [&] {
        Show(Picture(690, -468, RGB(255, 255, 0), RGB(0, 0, 0), 234));
        const QImage pane = Pane();
        EXPECT_EQ(PixelAt(pane, 10, 0), RGB(255, 255, 0));
        EXPECT_EQ(PixelAt(pane, 10, 115), RGB(255, 255, 0));
        EXPECT_EQ(PixelAt(pane, 10, 118), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(pane, 344, 233), RGB(0, 0, 0));
    });
}

} // namespace
