// Pixscope on the desktop: the pointer over the preview, a click on the picture, the
// magnifier and marker, files named on the command line or dropped on the window, and
// the keyboard shortcuts, with real events on a real X server.
#include "controls/preview_overlays.h"
#include "controls/shrink_to_fit.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/window/cwinapp.h"
#include "tests/x11/x11_support.h"

#include <QApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <filesystem>

namespace {

// Each pixel's colour names its position: blue and green the low bytes of x and y
// (from the top), red their high nibbles.
COLORREF Code(int x, int y) {
    return RGB(((x >> 8) << 4) | (y >> 8), y & 0xFF, x & 0xFF);
}
CPoint Decode(COLORREF c) {
    return CPoint(GetBValue(c) | ((GetRValue(c) >> 4) << 8),
                  GetGValue(c) | ((GetRValue(c) & 15) << 8));
}

// A drag's data as it comes from another program: its bytes as they were sent (Qt's
// own mime data would rewrite a URI list through its URL type).
class RawMime : public QMimeData {
public:
    explicit RawMime(QByteArray list) : m_list(std::move(list)) {}
    QStringList formats() const override { return {"text/uri-list"}; }

protected:
    QVariant retrieveData(const QString& type, QMetaType) const override {
        return type == "text/uri-list" ? QVariant(m_list) : QVariant();
    }

private:
    QByteArray m_list;
};

class Desktop : public UserSession {
protected:
    QWidget* Pane() { return WidgetOf(dlg.m_picture); }
};

TEST_F(Desktop, ThePointerNamesThePixelItIsOnAndTheMagnifierShowsItsNeighbours) {
    const struct {
        const char* name;
        int w, h;
    } pictures[] = {{"larger than the pane", 1000, 700}, {"smaller than the pane", 40, 30}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        CViewerDlg viewer;
        theApp.m_pMainWnd = &viewer;
        theApp.m_arguments = {dir.Write("coded.bmp", PictureOf(p.w, p.h, Code))};
        RunModal(viewer, [&] {
            ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.m_bOpened != FALSE; }));
            ASSERT_TRUE(viewer.m_bOpened) << "opened from the command line";
            QWidget* pane = WidgetOf(viewer.m_picture);
            const QImage shown = Grab(viewer.m_picture);
            RECT client;
            viewer.m_picture.GetClientRect(&client);
            const CSize drawn = ShrinkToFit(p.w, p.h, client.right, client.bottom);
            const std::size_t objects = platform::gdi::LiveObjectCount();
            const QPoint points[] = {{0, 0},
                                     {drawn.cx - 1, 0},
                                     {0, drawn.cy - 1},
                                     {drawn.cx - 1, drawn.cy - 1},
                                     {drawn.cx / 2, drawn.cy / 2}};
            for (const QPoint& at : points) {
                PointerTo(pane, at);
                const std::string caption = TextOf(viewer.GetDlgItem(IDC_GROUP_PREVIEW));
                static const QRegularExpression shape(
                    R"(^位图缩略图\(指针:\((\d+),(\d+)\) BGRS:(\d+),(\d+),(\d+),0\)$)");
                const auto m = shape.match(QString::fromStdString(caption));
                ASSERT_TRUE(m.hasMatch()) << caption;
                // The pixel the pane shows there is the one named, with its values.
                const COLORREF seen = PixelAt(shown, at.x(), at.y());
                const CPoint pixel = Decode(seen);
                EXPECT_EQ(m.captured(1).toInt(), pixel.x) << at.x() << "," << at.y();
                EXPECT_EQ(m.captured(2).toInt(), pixel.y) << at.x() << "," << at.y();
                EXPECT_EQ(RGB(m.captured(5).toInt(), m.captured(4).toInt(), m.captured(3).toInt()),
                          seen);
                // The magnifier: the pixel and its neighbours, 8 x 8 screen pixels at least.
                const QImage now = Grab(viewer.m_picture);
                const RECT area = MagnifierRect(client, CPoint(at.x(), at.y()));
                // In the corner away from the pointer, 4 pixels in.
                EXPECT_EQ(area.left,
                          at.x() < client.right / 2 ? client.right - 4 - kMagnifierSide : 4);
                EXPECT_EQ(area.top,
                          at.y() < client.bottom / 2 ? client.bottom - 4 - kMagnifierSide : 4);
                EXPECT_EQ(area.right - area.left, 111);
                EXPECT_EQ(PixelAt(now, area.right - 1, area.bottom - 1), RGB(64, 64, 64)) << "grid";
                for (int dy = -kMagnifierReach; dy <= kMagnifierReach; dy += kMagnifierReach)
                    for (int dx = -kMagnifierReach; dx <= kMagnifierReach; dx += kMagnifierReach) {
                        const int x = pixel.x + dx, y = pixel.y + dy;
                        const int cx = area.left + (dx + kMagnifierReach) * kMagnifierCell;
                        const int cy = area.top + (dy + kMagnifierReach) * kMagnifierCell;
                        const bool inside = x >= 0 && y >= 0 && x < p.w && y < p.h;
                        for (int k = 2; k < 10; ++k) // an 8 x 8 block of the cell
                            EXPECT_EQ(PixelAt(now, cx + k, cy + k),
                                      inside ? Code(x, y) : RGB(236, 233, 216))
                                << "cell " << dx << "," << dy << " at " << at.x() << "," << at.y();
                    }
                if (at == points[4])
                    SavePng(OnScreen(FrameOf(viewer)),
                            std::string("x11-magnifier-") + (p.w > 345 ? "large" : "small"));
            }
            EXPECT_EQ(platform::gdi::LiveObjectCount(), objects) << "painting leaks nothing";
            // Off the drawn picture: the caption is the template's and no magnifier shows.
            PointerTo(pane, QPoint(client.right - 1, client.bottom - 1));
            if (drawn.cx < client.right) {
                EXPECT_EQ(TextOf(viewer.GetDlgItem(IDC_GROUP_PREVIEW)),
                          "位图缩略图(左上角坐标:(0,0))");
                const QImage now = Grab(viewer.m_picture);
                EXPECT_EQ(PixelAt(now, 10, 10), PixelAt(shown, 10, 10)) << "no magnifier";
            }
            // Off the pane altogether, from over the picture.
            PointerTo(pane, QPoint(5, 5));
            PointerTo(WidgetOf(*viewer.GetDlgItem(IDC_EDIT_X)), QPoint(5, 5));
            EXPECT_EQ(TextOf(viewer.GetDlgItem(IDC_GROUP_PREVIEW)), "位图缩略图(左上角坐标:(0,0))");
            EXPECT_EQ(PixelAt(Grab(viewer.m_picture), 300, 200), PixelAt(shown, 300, 200));
        });
    }
}

TEST_F(Desktop, AClickReadsThePixelUnderItAndMarksIt) {
    theApp.m_arguments = {dir.Write("coded.bmp", PictureOf(1000, 700, Code))};
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));
        const QImage shown = Grab(dlg.m_picture);
        const QPoint at(30, 40);
        PointerTo(Pane(), at);
        QTest::mouseClick(Pane(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        const CPoint pixel = Decode(PixelAt(shown, at.x(), at.y()));
        EXPECT_EQ(Edit(IDC_EDIT_X)->text().toInt(), pixel.x);
        EXPECT_EQ(Edit(IDC_EDIT_Y)->text().toInt(), pixel.y);
        const COLORREF c = Code(pixel.x, pixel.y);
        EXPECT_EQ(Bgrs(), std::to_string(GetBValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
                              std::to_string(GetRValue(c)) + ",0");
        EXPECT_EQ(TextOf(&dlg.m_grpPixel).find("像素值BGRS:"), 0u);
        // The marker, as the screen shows it: a black square two pixels out, a white one
        // three out.
        const QPoint origin = Pane()->mapTo(Frame(), QPoint(0, 0));
        const QImage marked =
            OnScreen(Frame()).copy(origin.x(), origin.y(), Pane()->width(), Pane()->height());
        EXPECT_EQ(PixelAt(marked, at.x() - 2, at.y()), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(marked, at.x() - 3, at.y()), RGB(255, 255, 255));
        EXPECT_EQ(PixelAt(marked, at.x() + 2, at.y() + 2), RGB(0, 0, 0));
        EXPECT_EQ(PixelAt(marked, at.x() - 4, at.y()), PixelAt(shown, at.x() - 4, at.y()));
        SavePng(OnScreen(Frame()), "x11-click-marker");
        // The left column, marked where the mark fits ((0, 0) would mean the centre to
        // QTest).
        PointerTo(Pane(), QPoint(0, 1));
        QTest::mouseClick(Pane(), Qt::LeftButton, {}, QPoint(0, 1));
        EXPECT_EQ(Edit(IDC_EDIT_X)->text().toInt(), Decode(PixelAt(shown, 0, 1)).x);
        EXPECT_EQ(PixelAt(Grab(dlg.m_picture), 2, 3), RGB(0, 0, 0));
    });
}

TEST_F(Desktop, AFileDroppedOnTheWindowOpensByItsExactName) {
    // Latin-1 "café.bmp": its name is not UTF-8.
    const std::string name = dir.Write("caf\xE9.bmp", PictureOf(20, 10, Code));
    dir.Write("a%zz\xFF.bmp", PictureOf(20, 10, Code));
    dir.Write("t\x01.bmp", PictureOf(20, 10, Code)); // an escape whose first digit is 0
    RunModal(dlg, [&] {
        QByteArray uri = "file://";
        uri += QByteArray::fromStdString(name).toPercentEncoding("/");
        // Escapes in either case; a percent sign that starts no escape stays as it is.
        const QByteArray second = "file://" + QByteArray::fromStdString(dir.Dir()) + "/a%zz%fF.bmp";
        const QByteArray third = "file://" + QByteArray::fromStdString(dir.Dir()) + "/t%01.bmp";
        const QByteArray missing = "file://" + QByteArray::fromStdString(dir.Dir()) + "/gone.bmp";
        auto* mime = new RawMime("# a comment\r\n" + uri + "\r\n" + second + "\r\n" + third +
                                 "\r\n" + missing + "\r\n");
        QWindow* window = Frame()->windowHandle();
        const QPoint at = Pane()->mapTo(Frame(), QPoint(10, 10));
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QString said;
        Answer({{"确定", &said}});
        QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        delete mime;
        EXPECT_EQ(said.toStdString(), "Can't Read Files!!");
        EXPECT_FALSE(dlg.m_bOpened) << "the last one, missing, closed the one before";
        // Named as pixscope-cli names it: the stray byte as a replacement character.
        const std::string report(dlg.m_pReport, static_cast<size_t>(dlg.m_nReportLen));
        EXPECT_NE(report.find("caf\x84\x31\xA4\x37.bmp"), std::string::npos);
        EXPECT_NE(report.find("a%zz\x84\x31\xA4\x37.bmp"), std::string::npos) << "both, in order";
        EXPECT_LT(report.find("caf"), report.find("a%zz"));
        EXPECT_NE(report.find("/t\x01.bmp"), std::string::npos);
    });
}

TEST_F(Desktop, CtrlOOpensAndCtrlSSaves) {
    const std::string saved = dir.Path("saved.bmp");
    QString done;
    RunModal(dlg, [&] {
        // Xvfb has no window manager to give the window the keyboard, as a desktop does.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
        EXPECT_EQ(Menu("打开位图文件")->shortcut().toString(), "Ctrl+O");
        EXPECT_EQ(Menu("保存修改的位图")->shortcut().toString(), "Ctrl+S");
        TypeIntoFileDialog(picture);
        QTest::keyClick(Edit(IDC_EDIT_X), Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(dlg.m_bOpened);
        PointerTo(Pane(), QPoint(60, 40));
        SavePng(OnScreen(Frame()), "x11-magnifier-picture");
        TypeIntoFileDialog(saved);
        Answer({{"是", nullptr}, {"确定", &done}});
        QTest::keyClick(Edit(IDC_EDIT_X), Qt::Key_S, Qt::ControlModifier);
    });
    EXPECT_EQ(done.toStdString(), "保存完毕!");
    EXPECT_TRUE(std::filesystem::exists(saved));
}

// The preview zoomed by real Ctrl+wheel notches, keys and drags: at every zoom the
// pointer names the pixel drawn under it, a click reads it, and one picture pixel takes
// the pane pixels its zoom says.
struct ZoomRow {
    const char* name;
    const char* steps; // "wheel+", "wheel-", "wheel" (no Ctrl), "+", "-", "0", "1", "drag"
    const char* zoom;  // the status bar's zoom pane afterwards ("fit": the fitted one)
    int cell;          // pane pixels of one picture pixel, 0 when less than one
};
const ZoomRow kZoomRows[] = {
    {"FittedAtFirst", "", "fit", 0},
    {"OneNotchInShowsHalf", "wheel+", "50%", 0},
    {"SixNotchesInShow16x", "wheel+ wheel+ wheel+ wheel+ wheel+ wheel+", "1600%", 16},
    {"PlusStopsAt32x", "+ + + + + + + + + + +", "3200%", 32},
    {"OneIsOneToOne", "1", "100%", 1},
    {"OutFromOneToOneReachesFit", "1 - -", "fit", 0},
    {"NotchesOutReachFit", "wheel+ wheel+ wheel- wheel- wheel-", "fit", 0},
    {"ZeroFits", "+ + + 0", "fit", 0},
    {"DraggedAt8xWithItsGrid", "1 + + + drag", "800%", 8},
    {"TheWheelAloneScrollsAt2x", "1 + wheel wheel", "200%", 2},
};

class Zooms : public Desktop, public ::testing::WithParamInterface<ZoomRow> {};

TEST_P(Zooms, ThePointerAndAClickNameThePixelDrawnUnderThem) {
    const ZoomRow& row = GetParam();
    theApp.m_arguments = {dir.Write("coded.bmp", PictureOf(1000, 700, Code))};
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));
        QWidget* pane = Pane();
        const QPoint centre(pane->width() / 2, pane->height() / 2);
        const auto shownAt = [&](QPoint at) {
            return PixelAt(Grab(dlg.m_picture), at.x(), at.y());
        };
        PointerTo(pane, centre);
        XInput("click 1"); // the pane takes the keys once clicked
        // The pixel the status bar names under the pointer; below, each is checked
        // against the picture drawn there.
        const auto named = [&] {
            const QString text = QString::fromStdString(
                dlg.m_statusBar.GetPaneText(CViewerDlg::kPanePointer).ToUtf8());
            const QStringList xy = text.mid(1, text.size() - 2).split(", ");
            return xy.size() == 2 ? CPoint(xy[0].toInt(), xy[1].toInt()) : CPoint(-1, -1);
        };
        for (const QString& step : QString(row.steps).split(' ', Qt::SkipEmptyParts)) {
            const CPoint before = Decode(shownAt(centre - QPoint(1, 1)));
            const CPoint pointed = named();
            if (step == "wheel+" || step == "wheel-")
                XInput(std::string("keydown ctrl click ") + (step == "wheel+" ? "4" : "5") +
                       " keyup ctrl");
            else if (step == "wheel")
                XInput("click 5");
            else if (step == "drag") {
                XInput("mousedown 1");
                PointerTo(pane, centre - QPoint(20, 15));
                PointerTo(pane, centre - QPoint(40, 30));
                XInput("mouseup 1");
            } else
                QTest::keyClick(pane, step == "+" ? Qt::Key_Plus
                                      : step == "-"
                                          ? Qt::Key_Minus
                                          : static_cast<Qt::Key>(Qt::Key_0 + step.toInt()));
            if (step.startsWith("wheel") && step != "wheel") {
                // Around the pointer: it stays over the pixel it was over.
                const CPoint after = named();
                EXPECT_LE(std::abs(after.x - pointed.x), 3) << step.toStdString();
                EXPECT_LE(std::abs(after.y - pointed.y), 3) << step.toStdString();
            }
            if (step == "drag") {
                // The picture follows the pointer: what was under it is 40, 30 up-left.
                PointerTo(pane, centre); // back, for the checks below
                EXPECT_EQ(Decode(shownAt(centre - QPoint(41, 31))).x, before.x);
                EXPECT_EQ(Decode(shownAt(centre - QPoint(41, 31))).y, before.y);
            }
            if (step == "wheel") {
                EXPECT_GT(Decode(shownAt(centre - QPoint(1, 1))).y, before.y) << "scrolled down";
            }
        }
        const std::string zoom = dlg.m_statusBar.GetPaneText(CViewerDlg::kPaneZoom).ToUtf8();
        if (std::string(row.zoom) == "fit")
            EXPECT_EQ(zoom.rfind("适合窗口 ", 0), 0u) << zoom;
        else
            EXPECT_EQ(zoom, row.zoom);
        const QImage shown = Grab(dlg.m_picture);
        const QPoint points[] = {
            centre, {3, 3}, centre + QPoint(37, 23), {pane->width() - 40, pane->height() - 40}};
        for (const QPoint& at : points) {
            const COLORREF seen = PixelAt(shown, at.x(), at.y());
            if (seen == RGB(128, 128, 128) || seen == RGB(236, 233, 216) ||
                seen == RGB(255, 255, 255) || seen == RGB(0, 0, 0))
                continue; // a grid line, beside the picture, or the marker
            PointerTo(pane, at);
            static const QRegularExpression shape(R"(^位图缩略图\(指针:\((\d+),(\d+)\) )");
            const auto m =
                shape.match(QString::fromStdString(TextOf(dlg.GetDlgItem(IDC_GROUP_PREVIEW))));
            ASSERT_TRUE(m.hasMatch()) << at.x() << "," << at.y();
            EXPECT_EQ(m.captured(1).toInt(), Decode(seen).x) << at.x() << "," << at.y();
            EXPECT_EQ(m.captured(2).toInt(), Decode(seen).y) << at.x() << "," << at.y();
            EXPECT_EQ(dlg.m_statusBar.GetPaneText(CViewerDlg::kPanePointer).ToUtf8(),
                      "(" + std::to_string(Decode(seen).x) + ", " + std::to_string(Decode(seen).y) +
                          ")");
            if (row.cell > 0 && at.x() + row.cell < pane->width()) {
                EXPECT_EQ(Decode(PixelAt(shown, at.x() + row.cell, at.y())).x, Decode(seen).x + 1);
            }
        }
        // A click where no drag follows reads the pixel under it.
        PointerTo(pane, centre + QPoint(37, 23));
        XInput("click 1");
        const CPoint clicked = Decode(PixelAt(shown, centre.x() + 37, centre.y() + 23));
        EXPECT_EQ(Edit(IDC_EDIT_X)->text().toInt(), clicked.x);
        EXPECT_EQ(Edit(IDC_EDIT_Y)->text().toInt(), clicked.y);
        SavePng(OnScreen(Frame()), std::string("x11-zoom-") + row.name);
    });
}

INSTANTIATE_TEST_SUITE_P(Rows, Zooms, ::testing::ValuesIn(kZoomRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
