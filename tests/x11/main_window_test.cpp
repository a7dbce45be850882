// The main window as a desktop program: it grows, says what is open in its status bar,
// remembers recent files and folders, answers the menu keys, and fits a small screen.
#include "controls/shrink_to_fit.h"
#include "platform/window/cwinapp.h"
#include "platform/window/qt_interaction.h"
#include "tests/x11/x11_support.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <filesystem>

namespace {

class MainWindow : public UserSession {
protected:
    QRect Placed(int id) { return WidgetOf(*dlg.GetDlgItem(id))->geometry(); }
    std::string Pane(int pane) { return dlg.m_statusBar.GetPaneText(pane).ToUtf8(); }
    std::vector<BYTE> Picture() {
        return PictureOf(1000, 700, [](int x, int y) { return RGB(x, y, 0); });
    }
    // The items of 文件 → 最近打开的文件, as shown.
    QStringList Recent(CViewerDlg& viewer) {
        QStringList items;
        for (QAction* a : FrameOf(viewer)->findChildren<QAction*>())
            if (a->menu() != nullptr && a->text() == "最近打开的文件")
                for (QAction* item : a->menu()->actions())
                    items << item->text();
        return items;
    }
};

// Resized by the user, the preview and the tree share the new room; the fields and
// buttons keep their size and follow the bottom edge, the buttons the tree.
struct GrowRow {
    const char* name;
    int dx, dy;
};
const GrowRow kGrowRows[] = {{"AtTheTemplatesSize", 0, 0},
                             {"Wider", 401, 0},
                             {"Taller", 0, 300},
                             {"NearlyTheWholeScreen", 561, 560}};

class Grows : public MainWindow, public ::testing::WithParamInterface<GrowRow> {};

TEST_P(Grows, ThePreviewAndTheTreeTakeTheRoomAndTheControlsFollowTheEdges) {
    const GrowRow& row = GetParam();
    theApp.m_arguments = {dir.Write("coded.bmp", Picture())};
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));
        QWidget* client = WidgetOf(dlg);
        const QSize start = client->size();
        const QRect pane = Placed(IDC_PICTURE), tree = Placed(IDC_TREE);
        const QRect read = Placed(IDC_READ_PIXEL), x = Placed(IDC_EDIT_X);
        Frame()->resize(Frame()->size() + QSize(row.dx, row.dy));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return client->size() == start + QSize(row.dx, row.dy);
        })) << "the window takes the size it is given";
        const int left = row.dx / 2;
        EXPECT_EQ(Placed(IDC_PICTURE), pane.adjusted(0, 0, left, row.dy));
        EXPECT_EQ(Placed(IDC_TREE), tree.adjusted(left, 0, row.dx, row.dy));
        EXPECT_EQ(Placed(IDC_READ_PIXEL), read.translated(left, row.dy));
        EXPECT_EQ(Placed(IDC_EDIT_X), x.translated(0, row.dy));
        // The picture is fitted to the pane it has now.
        const QSize now = Placed(IDC_PICTURE).size();
        const CSize fit = ShrinkToFit(1000, 700, now.width(), now.height());
        EXPECT_EQ(Pane(CViewerDlg::kPaneZoom),
                  "适合窗口 " + std::to_string(std::lround(100.0 * fit.cx / 1000)) + "%");
        const QImage shown = Grab(dlg.m_picture);
        EXPECT_EQ(PixelAt(shown, fit.cx - 1, fit.cy - 1) != RGB(236, 233, 216), true)
            << "drawn to the fitted size";
        // The status bar stays under the window's controls.
        QWidget* bar = FrameOf(dlg)->findChild<QWidget*>("statusBar");
        ASSERT_NE(bar, nullptr);
        EXPECT_GE(bar->mapTo(Frame(), QPoint(0, 0)).y(),
                  client->mapTo(Frame(), QPoint(0, client->height())).y());
        EXPECT_EQ(bar->mapTo(Frame(), QPoint(0, bar->height())).y(), Frame()->height());
        SavePng(OnScreen(Frame()), std::string("x11-grown-") + row.name);
    });
}

INSTANTIATE_TEST_SUITE_P(Rows, Grows, ::testing::ValuesIn(kGrowRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Whether a window lies whole on its screen's free area. ctest runs this test on a
// 1366 x 768 screen as well.
void ExpectOnScreen(QWidget* window, const char* what) {
    const QRect free = window->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(window->frameGeometry())) << what << " is cut off";
}

TEST_F(MainWindow, ItsCheckerAndTheStructureViewFitASmallScreen) {
    const std::string broken = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/b/badbitcount.bmp";
    theApp.m_arguments = {broken};
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));
        ExpectOnScreen(Frame(), "the main window");
        // A file that opens though broken says so, and a click there opens the checker.
        EXPECT_EQ(Pane(CViewerDlg::kPaneErrors), "检查发现 1 个错误");
        EXPECT_EQ(Pane(CViewerDlg::kPaneSize), "1086 字节");
        EXPECT_EQ(Pane(CViewerDlg::kPaneDepth), "30000 位");
        SavePng(OnScreen(Frame()), "x11-status-errors");
        QStringList rows;
        OnNextModal([&](CDialog& check) {
            QWidget* frame = FrameOf(check);
            ExpectOnScreen(frame, "the checker");
            // It can be made larger, and its findings take the room.
            auto* list = static_cast<QTreeWidget*>(WidgetOf(*check.GetDlgItem(IDC_CHECK_FINDINGS)));
            const QSize before = list->size();
            frame->resize(frame->size() + QSize(0, 200));
            EXPECT_TRUE(QTest::qWaitFor([&] { return list->height() == before.height() + 200; }));
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                rows << list->topLevelItem(i)->text(0);
            SavePng(OnScreen(frame), "x11-check-dialog-grown");
        });
        QLabel* errors =
            FrameOf(dlg)->findChild<QLabel*>(QString("statusPane%1").arg(CViewerDlg::kPaneErrors));
        ASSERT_NE(errors, nullptr);
        QCursor::setPos(errors->mapToGlobal(QPoint(5, errors->height() / 2)));
        XInput("click 1");
        ASSERT_EQ(rows.size(), 1);
        EXPECT_TRUE(rows[0].contains("bit-count")) << rows[0].toStdString();

        Menu("结构视图")->trigger();
        QWidget* view = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "structureView" && w->isVisible())
                    view = w;
            return view != nullptr && QTest::qWaitForWindowExposed(view);
        }));
        ExpectOnScreen(view, "the structure view");
        ExpectColumnsFit(view->findChild<QTreeWidget*>("fields"));
        SavePng(OnScreen(view), "x11-structure-small-screen");
        view->close();
    });
}

TEST_F(MainWindow, RemembersRecentFilesAndTheLastFolderBetweenRuns) {
    const std::string a = dir.Write("a_b_c.bmp", Picture()), b = dir.Write("b.dib", Picture());
    theApp.m_arguments = {a};
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_bOpened != FALSE; }));
        TypeIntoFileDialog(b); // under "所有文件"
        Menu("打开位图文件")->trigger();
        EXPECT_EQ(Recent(dlg), (QStringList{QString::fromStdString("1 " + b),
                                            QString::fromStdString("2 " + a)}));
        // The tree's rows are tall enough for underscores and descenders.
        auto* tree = static_cast<QTreeWidget*>(WidgetOf(dlg.m_tree));
        EXPECT_GE(tree->visualItemRect(tree->topLevelItem(0)).height(),
                  QFontMetrics(tree->font()).lineSpacing() + 2);
    });
    theApp.m_arguments.clear();
    std::filesystem::remove(a);
    QString gone;
    // The next run: the list is there; a file that is gone is taken off it with a word.
    CViewerDlg next;
    theApp.m_pMainWnd = &next;
    RunModal(next, [&] {
        ASSERT_EQ(Recent(next).size(), 2);
        Answer({{"确定", &gone}});
        for (QAction* item : FrameOf(next)->findChildren<QAction*>())
            if (item->text().startsWith("2 "))
                item->trigger();
        EXPECT_EQ(Recent(next), QStringList{QString::fromStdString("1 " + b)});
        for (QAction* item : FrameOf(next)->findChildren<QAction*>())
            if (item->text().startsWith("1 "))
                item->trigger();
        EXPECT_TRUE(next.m_bOpened);
        EXPECT_EQ(FrameOf(next)->windowTitle().toStdString(), "b.dib — Pixscope");

        // A seam made afresh, as in a new run: the open dialog starts in the folder last
        // used, offers .dib files and all files, and a .dib file opens.
        platform::window::QtInteraction fresh;
        platform::InteractionSeam* previous = platform::SetInteractionSeam(&fresh);
        QStringList filters;
        QString folder;
        TypeIntoFileDialog("b.dib", nullptr, [&](QFileDialog* d) {
            filters = d->nameFilters();
            folder = d->directory().absolutePath();
        });
        for (QAction* item : FrameOf(next)->findChildren<QAction*>())
            if (item->text() == "打开位图文件")
                item->trigger();
        platform::SetInteractionSeam(previous);
        EXPECT_EQ(folder.toStdString(), dir.Dir());
        EXPECT_EQ(filters, (QStringList{"(位图文件)*.bmp (*.bmp *.BMP)",
                                        "位图文件 (*.bmp *.dib) (*.bmp *.BMP *.dib *.DIB)",
                                        "所有文件 (*) (*)"}));
        EXPECT_TRUE(next.m_bOpened);
    });
    EXPECT_EQ(gone.toStdString(), a + " 已不存在，已从最近打开的文件中去掉。");
    theApp.m_pMainWnd = &dlg;
}

TEST_F(MainWindow, AltKeysOpenTheMenusCtrlQEndsAndTheCalculatorSaysWhatItTried) {
    QString calculator;
    const std::string path = std::getenv("PATH");
    RunModal(dlg, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
        for (const auto& [key, first] :
             {std::pair{Qt::Key_F, "打开位图文件"}, std::pair{Qt::Key_O, "清空缓存"},
              std::pair{Qt::Key_H, "使用说明"}, std::pair{Qt::Key_T, "检查位图文件"}}) {
            QTest::keyClick(Edit(IDC_EDIT_X), key, Qt::AltModifier);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << first;
            EXPECT_EQ(menu->actions().front()->text().toStdString(), first);
            SavePng(OnScreen(Frame()), std::string("x11-alt-menu-") + first);
            QTest::keyClick(menu, Qt::Key_Escape);
            EXPECT_TRUE(
                QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        }
        // Where no calculator is installed, the command says which it looked for; the
        // box is as wide as its caption needs on a desktop's title bar.
        ::setenv("PATH", dir.Dir().c_str(), 1);
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            calculator = box->text();
            EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()) + 150);
            box->accept();
        });
        Menu("打开计算器")->trigger();
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(Menu("退出")->shortcut().toString(), "Ctrl+Q");
        QTest::keyClick(Edit(IDC_EDIT_X), Qt::Key_Q, Qt::ControlModifier);
        EXPECT_FALSE(dlg.IsRunningModal()) << "ended, with nothing unsaved";
    });
    EXPECT_TRUE(calculator.contains("gnome-calculator") && calculator.contains("xcalc"))
        << calculator.toStdString();
}

} // namespace
