// The structure view's other readers as a user meets them: run with a click, in the
// background while the view is used, stopped with a click, and a reader chosen shows on
// the picture where it reads otherwise and, at a pixel, what it reads there.
#include "tests/x11/x11_support.h"
#include "views/hex_view.h"
#include "views/structure_picture.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

QWidget* View() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "structureView" && w->isVisible())
            return w;
    return nullptr;
}

// A real click: the pointer moved there by the X server, then the button.
void ClickAt(QWidget* widget, QPoint at) {
    const QPoint g = widget->mapToGlobal(at);
    XInput("mousemove " + std::to_string(g.x()) + " " + std::to_string(g.y()) + " click 1");
}

QTreeWidgetItem* Row(QTreeWidget* list, const char* reader) {
    const auto rows = list->findItems(reader, Qt::MatchExactly);
    return rows.size() == 1 ? rows[0] : nullptr;
}

class ReadersPanel : public UserSession {};

TEST_F(ReadersPanel, RunsInTheBackgroundStopsAndShowsWhereAReaderReadsOtherwise) {
    const std::string path = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/q/pal8rletrns.bmp";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus";
    // ImageMagick replaced first by one that hangs, so that the first run is there to stop.
    std::filesystem::create_directory(dir.Path("bin"));
    const std::string script = "#!/bin/sh\ncase \"$1\" in -version) echo Version: ImageMagick "
                               "0.0-0;; *) sleep 30;; esac\n";
    const std::string fake =
        dir.Write("bin/magick", std::vector<BYTE>(script.begin(), script.end()));
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const std::string path0 = std::getenv("PATH");
    setenv("PATH", (dir.Path("bin") + ":" + path0).c_str(), 1);
    RunModal(dlg, [&] {
        TypeIntoFileDialog(path);
        Menu("结构视图")->trigger();
        QWidget* view = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (view = View()) != nullptr; }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        auto* tabs = view->findChild<QTabWidget*>("belowTree");
        auto* run = view->findChild<QPushButton*>("runReaders");
        auto* stop = view->findChild<QPushButton*>("stopReaders");
        auto* progress = view->findChild<QLabel*>("readersProgress");
        auto* list = view->findChild<QTreeWidget*>("readers");
        auto* status = view->findChild<QLabel*>("status");
        auto* chosen = view->findChild<QLabel*>("readerChosen");
        auto* picture = view->findChild<views::StructurePicture*>("picture");
        ASSERT_TRUE(tabs && run && stop && progress && list && status && chosen && picture);
        ClickAt(tabs->tabBar(), tabs->tabBar()->tabRect(1).center());
        ASSERT_EQ(tabs->currentIndex(), 1);

        // Running: the view answers meanwhile, and 停止 ends the readers still at work.
        ClickAt(run, run->rect().center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress->text().startsWith("正在运行"); }, 60000))
            << progress->text().toStdString();
        // Each reader's verdict as it ends, while the hanging one still works.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return Row(list, "gdk-pixbuf") && Row(list, "gdk-pixbuf")->text(2) == "不同" &&
                   Row(list, "imagemagick")->text(2) == "运行中…" &&
                   !progress->text().contains("已结束 0 /");
        })) << progress->text().toStdString();
        ClickAt(list->viewport(), list->visualItemRect(Row(list, "gdk-pixbuf")).center());
        ClickAt(picture->Canvas(), picture->PointOf(5, 5));
        EXPECT_TRUE(status->text().startsWith("偏移 ")) << status->text().toStdString();
        EXPECT_NE(view->findChild<views::HexView*>("hex")->Caret(), 0u);
        SavePng(OnScreen(view), "x11-readers-running");
        ClickAt(stop, stop->rect().center());
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress->text().startsWith("已停止："); }, 60000))
            << progress->text().toStdString();
        ASSERT_NE(Row(list, "imagemagick"), nullptr);
        EXPECT_EQ(Row(list, "imagemagick")->text(2), "已停止");
        EXPECT_TRUE(run->isEnabled());
        EXPECT_EQ(picture->ColourAt(27, 21), 0xFF00FFu); // chosen while it ran

        // The real readers to the end: gdk-pixbuf leaves the skipped pixels transparent.
        setenv("PATH", path0.c_str(), 1);
        ClickAt(run, run->rect().center());
        EXPECT_NE(picture->ColourAt(27, 21), 0xFF00FFu); // the last run's layer goes
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return run->isEnabled() && !progress->text().startsWith("正在"); }, 120000))
            << progress->text().toStdString();
        QTreeWidgetItem* gdk = Row(list, "gdk-pixbuf");
        ASSERT_NE(gdk, nullptr);
        EXPECT_EQ(gdk->text(2), "不同");
        EXPECT_TRUE(gdk->text(3).endsWith("（skipped-pixels）416")) << gdk->text(3).toStdString();
        EXPECT_EQ(Row(list, "imagemagick")->text(2), "相同");
        EXPECT_TRUE(progress->text().contains("不同 ")) << progress->text().toStdString();

        ClickAt(list->viewport(), list->visualItemRect(gdk).center());
        ASSERT_EQ(list->currentItem(), gdk);
        EXPECT_TRUE(chosen->text().contains("gdk-pixbuf 读得与 Pixscope 不同的 416 个像素"))
            << chosen->text().toStdString();
        EXPECT_EQ(picture->ColourAt(27, 21), 0xFF00FFu);
        EXPECT_NE(picture->ColourAt(0, 0), 0xFF00FFu);
        ClickAt(picture->Canvas(), picture->PointOf(27, 21));
        EXPECT_TRUE(status->text().contains(
            "gdk-pixbuf 读作 RGBA 0,0,0,0，Pixscope 读作 RGBA 128,0,255,255"))
            << status->text().toStdString();
        SavePng(OnScreen(view), "x11-readers-differing-pixel");
        ClickAt(picture->Canvas(), picture->PointOf(0, 0));
        EXPECT_TRUE(status->text().contains("（相同）；像素的字节 0x"))
            << status->text().toStdString();

        // A reader that reads the same takes the layer away.
        ClickAt(list->viewport(), list->visualItemRect(Row(list, "imagemagick")).center());
        EXPECT_NE(picture->ColourAt(27, 21), 0xFF00FFu);

        // Closed while a reader still works: the view goes, its readers with it.
        setenv("PATH", (dir.Path("bin") + ":" + path0).c_str(), 1);
        ClickAt(run, run->rect().center());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return progress->text().startsWith("正在运行"); }, 60000));
        const QPointer<QWidget> closed = view;
        view->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }, 60000));
    });
    setenv("PATH", path0.c_str(), 1);
}

} // namespace
