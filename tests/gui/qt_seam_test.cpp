// The seam as the user meets it: Qt's message boxes and progress dialog,
// answered here by clicking their own buttons.
#include "platform/window/qt_interaction.h"
#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

namespace {

void Click(QMessageBox* box, const char* utf8) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QString::fromUtf8(utf8))
            return b->click();
    ADD_FAILURE() << "no button " << utf8;
    box->reject();
}

TEST(QtSeam, MessageBoxesHaveTheTitleTheIconAndTheButtonsTheirTypeAsksFor) {
    const struct {
        UINT type;
        QMessageBox::Icon icon;
        QStringList buttons; // sorted
        const char* answer;  // clicked, or null for Escape
        int result;
    } cases[] = {
        // The kinds the programs show: a refusal, where a pixel lives, a plain message,
        // and the question before a file is created.
        {MB_ICONEXCLAMATION, QMessageBox::Warning, {"确定"}, "确定", IDOK},
        {MB_ICONINFORMATION, QMessageBox::Information, {"确定"}, nullptr, IDOK},
        {0, QMessageBox::NoIcon, {"确定"}, "确定", IDOK},
        {0x34, QMessageBox::Warning, {"否(&N)", "是(&Y)"}, nullptr, 7},
    };
    platform::window::QtInteraction seam;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            if (c.answer != nullptr)
                Click(box, c.answer);
            else {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &escape);
            }
        });
        EXPECT_EQ(seam.MessageBox(CString::FromUtf8("保存完毕!"), CString("pixscope"), c.type),
                  c.result);
        EXPECT_EQ(title.toStdString(), "pixscope");
        EXPECT_EQ(icon, c.icon);
        buttons.sort();
        EXPECT_EQ(buttons, c.buttons);
    }
}

TEST(QtSeam, LongWorkShowsAChineseProgressDialogThatCanStopIt) {
    platform::window::QtInteraction seam;
    seam.BeginProgress("正在保存位图……", true);
    // Shown only once the work has gone on for half a second.
    QElapsedTimer waited;
    waited.start();
    for (int i = 0; waited.elapsed() < 700; ++i) {
        ASSERT_TRUE(seam.Progress(i % 100 / 100.0));
        QThread::msleep(10);
    }
    QProgressDialog* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QProgressDialog*>(w); p != nullptr && p->isVisible())
            shown = p;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->labelText().toStdString(), "正在保存位图……");
    EXPECT_TRUE(shown->isModal());
    ASSERT_TRUE(seam.Progress(1.0));
    EXPECT_EQ(shown->value(), shown->maximum()) << "done shows as full";
    QPushButton* cancel = shown->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text().toStdString(), "取消");
    cancel->click();
    EXPECT_FALSE(seam.Progress(0.5));
    seam.EndProgress();
}

} // namespace
