// The seam as the user meets it: Qt's message boxes, file and progress dialogs,
// answered here by clicking their own buttons.
#include "platform/common_dialogs.h"
#include "platform/window/qt_interaction.h"
#include "tests/bmp_builder.h"
#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include <sys/stat.h>

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
        {MB_ICONEXCLAMATION, QMessageBox::Warning, {"确定"}, "确定", IDOK},
        {0x11, QMessageBox::Critical, {"取消", "确定"}, "取消", IDCANCEL},        // OK/Cancel
        {0x23, QMessageBox::Question, {"取消", "否(&N)", "是(&Y)"}, "否(&N)", 7}, // Yes/No/Cancel
        {0x44, QMessageBox::Information, {"否(&N)", "是(&Y)"}, "是(&Y)", 6},      // Yes/No
        {0x04, QMessageBox::NoIcon, {"否(&N)", "是(&Y)"}, nullptr, 7},
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

TEST(QtSeam, FileDialogsStartWherePicturesAreThenWhereTheUserWas) {
    TempDir home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.Dir()));
    qunsetenv("XDG_CONFIG_HOME");
    auto startOf = [](platform::window::QtInteraction& seam, const std::string& pick) {
        QString start;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            start = d->directory().absolutePath();
            if (pick.empty()) {
                d->reject();
                return;
            }
            d->selectFile(QString::fromStdString(pick));
            QMetaObject::invokeMethod(d, "accept");
        });
        platform::InteractionSeam::FileRequest r;
        r.flags = OFN_FILEMUSTEXIST;
        EXPECT_EQ(seam.ChooseFile(r).has_value(), !pick.empty()) << "cancelled: nothing";
        return start.toStdString();
    };
    {
        platform::window::QtInteraction seam;
        EXPECT_EQ(startOf(seam, ""), home.Dir()) << "no Pictures folder: home";
    }
    ::mkdir(home.Path("Pictures").c_str(), 0700);
    ::mkdir(home.Path("elsewhere").c_str(), 0700);
    const std::string picked = home.Write("elsewhere/a.bmp", {'B', 'M'});
    platform::window::QtInteraction seam;
    EXPECT_EQ(startOf(seam, picked), home.Path("Pictures"));
    EXPECT_EQ(startOf(seam, ""), home.Path("elsewhere"));
    qputenv("HOME", savedHome);
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
    EXPECT_TRUE(shown->isVisible()) << "until the work ends";
    QPushButton* cancel = shown->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text().toStdString(), "取消");
    cancel->click();
    EXPECT_FALSE(seam.Progress(0.5));
    seam.EndProgress();
}

} // namespace
