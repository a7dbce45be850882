// The structure view as a tool of its own, as a user meets it: it opens files itself
// (Ctrl+O, its recent files, a file dropped on it) in views placed apart, chooses bytes
// of the user's own, finds fields, bytes and offsets, and its picture zooms and pans with
// the pointer readout right at every zoom.
#include "inspect/check_bitmap.h"
#include "inspect/pixel_location.h"
#include "resources/resource.h"
#include "tests/x11/x11_support.h"
#include "views/hex_view.h"
#include "views/structure_picture.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

using views::HexView;

std::vector<QWidget*> Views() {
    std::vector<QWidget*> views;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "structureView" && w->isVisible())
            views.push_back(w);
    return views;
}

QWidget* ViewOf(const std::string& name) {
    for (QWidget* w : Views())
        if (w->windowTitle().endsWith(QString::fromStdString(name)))
            return w;
    return nullptr;
}

QWidget* WaitForView(const std::string& name) {
    QWidget* view = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (view = ViewOf(name)) != nullptr; })) << name;
    // Up, painted and taking the keys, as a user sees it before they press any.
    if (view != nullptr) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view)) << name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == view; })) << name;
    }
    return view;
}

void CloseViews() {
    for (QWidget* w : Views())
        w->close();
}

// Types into the view's Ctrl+F box and presses Enter.
void Find(QWidget* view, const QString& text) {
    WhenShown<QInputDialog>([&](QInputDialog* d) {
        auto* edit = d->findChild<QLineEdit*>();
        edit->selectAll();
        Type(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QTest::keyClick(view->findChild<HexView*>("hex"), Qt::Key_F, Qt::ControlModifier);
}

class StructureTool : public UserSession {};

TEST_F(StructureTool, OpensFilesItselfInViewsPlacedApart) {
    const std::string first = dir.Write("first.bmp", BmpFields{}.Build());
    const std::string second = dir.Write("second.bmp", BmpFields{}.Size(8, 8).Build());
    const std::string third = dir.Write("third.bmp", BmpFields{}.Size(3, 3).Build());
    RunModal(dlg, [&] {
        TypeIntoFileDialog(first);
        Menu("结构视图")->trigger();
        QWidget* a = WaitForView("first.bmp");
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->windowIcon().isNull());

        // Ctrl+O: the open dialog, and a view of its own for the file.
        TypeIntoFileDialog(second);
        QTest::keyClick(a->findChild<HexView*>("hex"), Qt::Key_O, Qt::ControlModifier);
        QWidget* b = WaitForView("second.bmp");
        ASSERT_NE(b, nullptr);
        const QPoint apart = b->pos() - a->pos();
        EXPECT_GE(std::min(std::abs(apart.x()), std::abs(apart.y())), 20)
            << apart.x() << "," << apart.y();
        SavePng(OnScreen(b), "x11-structure-tool-second-view");

        // Its recent files, newest first; one chosen opens again.
        auto* recent = b->findChild<QMenu*>("recent");
        ASSERT_NE(recent, nullptr);
        QMetaObject::invokeMethod(recent, "aboutToShow");
        QStringList names;
        for (QAction* action : recent->actions())
            names << action->text();
        ASSERT_GE(names.size(), 2);
        EXPECT_TRUE(names[0].endsWith("second.bmp")) << names.join("|").toStdString();
        EXPECT_TRUE(names[1].endsWith("first.bmp")) << names.join("|").toStdString();
        recent->actions()[1]->trigger();
        EXPECT_TRUE(QTest::qWaitFor([] { return Views().size() == 3; }));

        // A file dropped on a view opens in another.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(third))});
        const QPoint at(b->width() / 2, b->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b->windowHandle(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(b->windowHandle(), &drop);
        EXPECT_NE(WaitForView("third.bmp"), nullptr);
        CloseViews();
    });
}

TEST_F(StructureTool, ChoosesBytesOfItsOwnAndFindsFieldsBytesAndOffsets) {
    const std::string path = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/g/pal8.bmp";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus";
    const std::vector<BYTE> bytes = ReadFileBytes(path);
    RunModal(dlg, [&] {
        TypeIntoFileDialog(path);
        Menu("结构视图")->trigger();
        QWidget* view = WaitForView("pal8.bmp");
        ASSERT_NE(view, nullptr);
        auto* tree = view->findChild<QTreeWidget*>("fields");
        auto* hex = view->findChild<HexView*>("hex");
        auto* status = view->findChild<QLabel*>("status");

        // The colour table's entries with their colours.
        const auto entry = tree->findItems("[5]", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(entry.size(), 1);
        const QImage swatch = entry[0]->icon(3).pixmap(14, 14).toImage();
        const std::size_t at = 54 + 4 * 5;
        EXPECT_EQ(swatch.pixelColor(7, 7), QColor(bytes[at + 2], bytes[at + 1], bytes[at]));

        // A drag from the second byte to the seventeenth: those bytes, and the fields they
        // touch marked.
        // The hex view tracks no pointer without a button: the pointer goes there first.
        const QPoint from = hex->viewport()->mapToGlobal(hex->RectOf(2).center());
        XInput("mousemove " + std::to_string(from.x()) + " " + std::to_string(from.y()));
        XInput("mousedown 1");
        PointerTo(hex->viewport(), hex->RectOf(0x11).center());
        XInput("mouseup 1");
        EXPECT_EQ(std::pair(hex->Chosen().offset, hex->Chosen().size),
                  std::pair(std::uint64_t{2}, std::uint64_t{16}));
        const auto marked = [&](const char* name) {
            const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
            return found.size() == 1 && found[0]->background(0).style() != Qt::NoBrush;
        };
        for (const char* name : {"bfSize", "bfOffBits", "biSize"})
            EXPECT_TRUE(marked(name)) << name;
        for (const char* name : {"bfType", "biWidth"})
            EXPECT_FALSE(marked(name)) << name;
        EXPECT_TRUE(status->text().contains("涉及 5 行字段")) << status->text().toStdString();
        SavePng(OnScreen(view), "x11-structure-tool-range");

        // Shift+click on a pixel byte: from the same start to there, with the pixels.
        const std::uint64_t pixels = 54 + 1024;
        Find(view, QString::number(pixels + 9));
        EXPECT_EQ(hex->Caret(), pixels + 9);
        QTest::mouseClick(hex->viewport(), Qt::LeftButton, {}, hex->RectOf(pixels).center());
        QTest::mouseClick(hex->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          hex->RectOf(pixels + 9).center());
        EXPECT_EQ(std::pair(hex->Chosen().offset, hex->Chosen().size),
                  std::pair(pixels, std::uint64_t{10}));
        EXPECT_TRUE(status->text().contains("10 个像素")) << status->text().toStdString();
        EXPECT_FALSE(marked("bfSize")) << "a new range clears the marks of the last";
        SavePng(OnScreen(view), "x11-structure-tool-pixel-range");

        // Ctrl+F: a field's name, bytes by their hex digits, an offset, and nothing.
        Find(view, "biclrused");
        EXPECT_EQ(tree->currentItem()->text(0), "biClrUsed");
        Find(view, "42 4D");
        EXPECT_EQ(std::pair(hex->Chosen().offset, hex->Chosen().size),
                  std::pair(std::uint64_t{0}, std::uint64_t{2}));
        Find(view, "0x20");
        EXPECT_EQ(hex->Caret(), 0x20u);
        Find(view, "nowhere");
        EXPECT_EQ(status->text(), "没有找到“nowhere”");
        CloseViews();
    });
}

TEST_F(StructureTool, ThePictureZoomsAndPansWithThePointerReadoutRight) {
    // Each pixel's red and green are its x and y.
    const std::string path =
        dir.Write("coded.bmp", PictureOf(200, 150, [](int x, int y) { return RGB(x, y, 0); }));
    RunModal(dlg, [&] {
        TypeIntoFileDialog(path);
        Menu("结构视图")->trigger();
        QWidget* view = WaitForView("coded.bmp");
        ASSERT_NE(view, nullptr);
        auto* picture = view->findChild<views::StructurePicture*>("picture");
        QWidget* canvas = picture->Canvas();
        // The pixel the caption names, and the one the screen shows at the same point.
        const auto named = [&] {
            const QString t = picture->title();
            const int open = t.indexOf("指针:(");
            const QStringList xy = t.mid(open + 4, t.indexOf(')', open) - open - 4).split(',');
            return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint(-1, -1);
        };
        const auto shown = [&](QPoint at) {
            const QImage screen = OnScreen(view);
            const QColor c = screen.pixelColor(canvas->mapTo(view, at) * screen.devicePixelRatio());
            return QPoint(c.red(), c.green());
        };
        const auto check = [&](int x, int y, const char* step) {
            const QPoint at = picture->PointOf(x, y);
            PointerTo(canvas, at);
            EXPECT_EQ(named(), QPoint(x, y)) << step;
            EXPECT_EQ(shown(at), QPoint(x, y)) << step;
        };
        check(50, 40, "fitted");
        XInput("click 1"); // the picture takes the keys once clicked

        // Ctrl+wheel round the pointer: the pixel under it stays.
        XInput("keydown ctrl click 4 keyup ctrl");
        EXPECT_TRUE(picture->title().startsWith("图像 2×") ||
                    picture->title().startsWith("图像 4×"))
            << picture->title().toStdString();
        PointerTo(canvas, picture->PointOf(50, 40));
        EXPECT_EQ(named(), QPoint(50, 40));
        check(52, 43, "wheel");

        // + to 32 times, with a grid; the arrow keys pan.
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(canvas, Qt::Key_Plus);
        EXPECT_TRUE(picture->title().startsWith("图像 32×")) << picture->title().toStdString();
        const QPoint centre(canvas->width() / 2, canvas->height() / 2);
        PointerTo(canvas, centre);
        const QPoint before = named();
        check(before.x(), before.y(), "32 times");
        SavePng(OnScreen(view), "x11-structure-tool-zoom-32");
        QTest::keyClick(canvas, Qt::Key_Right);
        PointerTo(canvas, centre + QPoint(1, 0));
        PointerTo(canvas, centre);
        EXPECT_GT(named().x(), before.x()) << "panned right";
        check(named().x(), named().y(), "panned");

        // 1: one screen pixel a pixel; 0: fitted again.
        QTest::keyClick(canvas, Qt::Key_1);
        EXPECT_TRUE(picture->title().startsWith("图像 1×")) << picture->title().toStdString();
        check(10, 120, "1:1");
        QTest::keyClick(canvas, Qt::Key_0);
        PointerTo(canvas, picture->PointOf(199, 149));
        EXPECT_TRUE(picture->title().startsWith("图像（")) << picture->title().toStdString();
        check(199, 149, "fitted again");
        CloseViews();
    });
}

} // namespace

TEST_F(StructureTool, TheCheckersRowsAndThePixelLocatorOpenItAtTheirBytes) {
    // Two bytes past the pixels, and a file size that counts one more: two findings.
    std::vector<BYTE> bytes = PictureOf(3, 2, [](int x, int y) { return RGB(x, y, 7); });
    bytes.insert(bytes.end(), {0xAA, 0xBB});
    bytes[2] = static_cast<BYTE>(bytes.size() + 1);
    const std::string file = dir.Write("trail.bmp", bytes);
    const std::vector<inspect::Finding> findings = inspect::CheckBitmap(bytes);
    ASSERT_GE(findings.size(), 2u);
    std::string error;
    const auto where = inspect::LocatePixel(bytes, 1, 1, error);
    ASSERT_TRUE(where && where->offset) << error;
    RunModal(dlg, [&] {
        TypeIntoFileDialog(file);
        Menu("打开位图文件")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));

        // A double-click on the checker's second row: a view with that finding's bytes.
        std::uint64_t caret = 0;
        OnNextModal([&](CDialog& check) {
            auto* list = static_cast<QTreeWidget*>(WidgetOf(*check.GetDlgItem(IDC_CHECK_FINDINGS)));
            QTreeWidgetItem* row = list->topLevelItem(1);
            ASSERT_NE(row, nullptr);
            // The list follows no pointer, so no motion event to wait for: the server moves it.
            const QPoint at = list->viewport()->mapToGlobal(list->visualItemRect(row).center());
            XInput("mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) +
                   " click --repeat 2 --delay 60 1");
            if (QWidget* view = WaitForView("trail.bmp")) {
                caret = view->findChild<HexView*>("hex")->Caret();
                SavePng(OnScreen(view), "x11-structure-from-checker");
            }
            CloseViews();
            PressKey(check, Qt::Key_Return);
        });
        Menu("检查位图文件")->trigger();
        EXPECT_EQ(caret, findings[1].offset);

        // The locator's answer, and Yes: a view with the pixel and its bytes chosen.
        Type(Edit(IDC_EDIT_X), "1");
        Type(Edit(IDC_EDIT_Y), "1");
        QString said;
        Answer({{"是", &said}});
        Menu("像素位置")->trigger();
        EXPECT_TRUE(said.startsWith("像素(1,1)")) << said.toStdString();
        if (QWidget* view = WaitForView("trail.bmp")) {
            auto* hex = view->findChild<HexView*>("hex");
            EXPECT_EQ(hex->Caret(), *where->offset);
            EXPECT_EQ(hex->Chosen().size, 3u);
            EXPECT_TRUE(view->findChild<QLabel*>("status")->text().contains("像素 (1, 1)"));
            SavePng(OnScreen(view), "x11-structure-from-locator");
        }
        CloseViews();
    });
}

TEST_F(StructureTool, ComparesTwoBitmapsInLinkedViewsSideBySide) {
    // Three pixels and the horizontal resolution changed in a copy.
    const std::vector<BYTE> original = PictureOf(40, 30, [](int x, int y) { return RGB(x, y, 9); });
    std::vector<BYTE> changed = original;
    std::string error;
    for (const auto& [x, y] : {std::pair{3, 2}, {20, 10}, {39, 29}}) {
        const auto at = inspect::LocatePixel(original, x, y, error);
        ASSERT_TRUE(at && at->offset) << error;
        changed[*at->offset] ^= 0xFF;
    }
    changed[0x26] = 0x10; // biXPelsPerMeter
    const std::string a = dir.Write("a.bmp", original), b = dir.Write("b.bmp", changed);
    const auto where = inspect::LocatePixel(original, 20, 10, error);
    ASSERT_TRUE(where && where->offset);
    RunModal(dlg, [&] {
        // No file is open: both are asked for, one dialog after the other.
        TypeIntoFileDialog(a, nullptr, [&](QFileDialog*) { TypeIntoFileDialog(b); });
        Menu("比较两个位图")->trigger();
        QWidget* left = nullptr;
        QWidget* right = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            left = ViewOf("a.bmp"), right = ViewOf("b.bmp");
            return left != nullptr && right != nullptr;
        }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(left) && QTest::qWaitForWindowExposed(right));
        EXPECT_LT(left->geometry().center().x(), right->geometry().center().x()) << "side by side";
        // The field that differs is marked in both trees, and only it.
        for (QWidget* view : {left, right}) {
            auto* tree = view->findChild<QTreeWidget*>("fields");
            QStringList marked;
            for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
                if ((*it)->font(0).bold())
                    marked << (*it)->text(0);
            EXPECT_EQ(marked.join(","), "biXPelsPerMeter");
        }
        // The differing pixels are a layer of both pictures.
        auto* picture = left->findChild<views::StructurePicture*>("picture");
        for (QWidget* view : {left, right})
            for (const auto& [x, y, layer] :
                 {std::tuple{20, 10, true}, {39, 29, true}, {21, 10, false}})
                EXPECT_EQ(view->findChild<views::StructurePicture*>("picture")->ColourAt(x, y) ==
                              0xFF00FFu,
                          layer);
        // A differing pixel clicked in one: its bytes in both hex views.
        PointerTo(picture->Canvas(), picture->PointOf(20, 10));
        XInput("click 1");
        for (QWidget* view : {left, right})
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return view->findChild<HexView*>("hex")->Caret() == *where->offset;
            })) << view->windowTitle().toStdString();
        SavePng(OnScreen(left), "x11-compare-left");
        SavePng(OnScreen(right), "x11-compare-right");
        CloseViews();
    });
}
