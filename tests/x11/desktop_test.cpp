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

} // namespace
