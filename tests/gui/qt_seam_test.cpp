// The seam as the user meets it: Qt's message boxes and file dialogs, answered here
// by clicking their own buttons.
#include "platform/codepage.h"
#include "platform/common_dialogs.h"
#include "platform/window/qt_interaction.h"
#include "platform/window/translations.h"
#include "tests/bmp_builder.h"
#include "tests/gui/gui_support.h"

#include <gtest/gtest-spi.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

void Click(QMessageBox* box, const char* utf8) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QString::fromUtf8(utf8))
            return b->click();
    ADD_FAILURE() << "no button " << utf8;
    box->reject();
}

platform::InteractionSeam::FileRequest SaveRequest() {
    platform::InteractionSeam::FileRequest r;
    r.open = false;
    r.defaultExt = "txt";
    r.initialName = "*.txt";
    r.filters = {{"(文本文件)*.txt", {"*.txt"}}};
    r.flags = OFN_CREATEPROMPT;
    return r;
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

TEST(QtSeam, SaveDialogAddsTheExtensionAndAsksBeforeCreatingOrReplacing) {
    platform::window::QtInteraction seam;
    TempDir dir;
    QStringList filters;
    QString question, startName = "?";
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        d->setDirectory(QString::fromStdString(dir.Dir()));
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        startName = name->text();
        name->setText("report");
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            Click(box, "是(&Y)");
        });
        QMetaObject::invokeMethod(d, "accept"); // as the Save button does
    });
    const auto chosen = seam.ChooseFile(SaveRequest());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, dir.Path("report.txt"));
    EXPECT_EQ(filters, QStringList{"(文本文件)*.txt (*.txt *.TXT)"});
    EXPECT_EQ(startName.toStdString(), "") << "a wildcard name only repeats the filter";
    EXPECT_TRUE(question.contains("report.txt")) << question.toStdString();

    // An existing file is taken without a question (a question would block here).
    dir.Write("old.txt", {'x'});
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        d->setDirectory(QString::fromStdString(dir.Dir()));
        d->findChild<QLineEdit*>("fileNameEdit")->setText("old.txt");
        QMetaObject::invokeMethod(d, "accept"); // as the Save button does
    });
    EXPECT_EQ(seam.ChooseFile(SaveRequest()), dir.Path("old.txt"));

    // Asked to, the dialog asks before replacing the file the typed name means.
    platform::InteractionSeam::FileRequest replace = SaveRequest();
    replace.flags = OFN_OVERWRITEPROMPT;
    QString replacing;
    WhenShown<QFileDialog>([&](QFileDialog* d) {
        d->setDirectory(QString::fromStdString(dir.Dir()));
        d->findChild<QLineEdit*>("fileNameEdit")->setText("old");
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            replacing = box->text();
            box->button(QMessageBox::Yes)->click();
        });
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(seam.ChooseFile(replace), dir.Path("old.txt"));
    EXPECT_TRUE(replacing.contains("old.txt")) << replacing.toStdString();
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

TEST(QtSeam, TheClipboardGetsUnicodeTextUpToTheFirstZeroAndTheExactBytes) {
    platform::window::QtInteraction seam;
    std::string full(15480, 'a');
    full.replace(0, 6, platform::Utf8ToGbk("位图\r\n"));
    full.push_back('\0');
    seam.SetClipboardText(full);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text().toStdString(), "位图\r\n" + std::string(15480 - 6, 'a'));
    EXPECT_EQ(data->data("text/plain;charset=GBK").toStdString(), full);
}

} // namespace
