#include "app/about_dlg.h"
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "platform/window/window_host.h"
#include "tests/bmp_builder.h"
#include "tests/gui/viewer_fixture.h"

#include <QApplication>
#include <QFontInfo>
#include <QMenu>

namespace {

class MainDialog : public ViewerTest {
protected:
    CWnd* Item(int id) { return dlg.GetDlgItem(id); }
};

TEST_F(MainDialog, SystemMenuEndsWithAboutWhichOpensTheAboutBoxWhole) {
    RunModal(dlg, [&] {
        CMenu* sys = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(sys, nullptr);
        const UINT n = sys->GetMenuItemCount();
        CString text;
        sys->GetMenuString(n - 1, text, MF_BYPOSITION);
        EXPECT_EQ(text.ToUtf8(), "关于 Pixscope(&A)...");

        std::string caption;
        bool ownerDisabled = false;
        OnNextModal([&](CDialog& about) {
            caption = TextOf(&about);
            ownerDisabled =
                !FrameOf(dlg)->isEnabled() || QApplication::activeModalWidget() == FrameOf(about);
            SavePng(Grab(about), "about-dialog");
            ExpectNoTextCut(about);
            PressKey(about, Qt::Key_Return);
        });
        // Through the menu's own item, as a click on it would.
        auto actions = dlg.GetSystemMenu(FALSE)->m_hMenu->menu->actions();
        actions.back()->trigger();
        EXPECT_EQ(caption, "关于 Pixscope");
        EXPECT_TRUE(ownerDisabled);
        EXPECT_EQ(CDialog::ActiveModalDialog(), &dlg);

        // Every other system command keeps its usual meaning: close ends the dialog.
        dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
        QApplication::processEvents();
    });
    EXPECT_EQ(CDialog::ActiveModalDialog(), nullptr);
}

TEST_F(MainDialog, RendersWithChineseGlyphsAndNoTextCut) {
    RunModal(dlg, [&] {
        const QFontInfo font(WidgetOf(*Item(IDC_READ_PIXEL))->font());
        EXPECT_TRUE(font.family().contains("UMing")) << font.family().toStdString();
        EXPECT_TRUE(QFontMetrics(WidgetOf(*Item(IDC_READ_PIXEL))->font()).inFont(QChar(0x50CF)));
        SavePng(Grab(dlg), "main-dialog");
        ExpectNoTextCut(dlg);
    });
}

} // namespace
