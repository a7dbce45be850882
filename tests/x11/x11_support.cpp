#include "tests/x11/x11_support.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <filesystem>

bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00; });
}

// What the screen shows of a top-level window, once it is up and painted.
QImage OnScreen(QWidget* window) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::qWait(200);
    return window->screen()->grabWindow(window->winId()).toImage();
}

namespace {
QString Plain(QString text) {
    return text.remove('&');
}
} // namespace

void Type(QWidget* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// Answers the next message boxes in turn, each by clicking a button.
void ExpectColumnsFit(QTreeWidget* tree) {
    const QFontMetrics metrics(tree->font());
    const int last = tree->columnCount() - 1;
    EXPECT_LE(tree->header()->length(), tree->viewport()->width()) << "a column is off the pane";
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
        for (int c = 1; c <= last; ++c) {
            const QString text = (*it)->text(c);
            if (tree->header()->sectionSize(c) >= metrics.horizontalAdvance(text))
                continue;
            EXPECT_TRUE(c == last && (*it)->toolTip(c) == text)
                << (*it)->text(0).toStdString() << " column " << c << " cut";
        }
}

void Answer(std::vector<Reply> replies) {
    if (replies.empty())
        return;
    WhenShown<QMessageBox>([replies](QMessageBox* box) {
        const Reply r = replies.front();
        if (r.said != nullptr)
            *r.said = box->text();
        // The next box can only come once this one is gone.
        Answer(std::vector<Reply>(replies.begin() + 1, replies.end()));
        for (QAbstractButton* b : box->buttons())
            if (Plain(b->text()).startsWith(QString::fromUtf8(r.button)))
                return Click(b);
        ADD_FAILURE() << "no button " << r.button << " in " << box->text().toStdString();
        box->reject();
    });
}

// Types path into the next file dialog and presses Enter; its texts go to *texts.
void TypeIntoFileDialog(const std::string& path, QStringList* texts,
                        const std::function<void(QFileDialog*)>& shown) {
    WhenShown<QFileDialog>([=](QFileDialog* d) {
        if (texts != nullptr) {
            *texts << d->labelText(QFileDialog::LookIn) << d->labelText(QFileDialog::FileName)
                   << d->labelText(QFileDialog::FileType) << d->windowTitle();
            for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
                if (b->isVisible() && !b->text().isEmpty())
                    *texts << b->text();
        }
        if (shown)
            shown(d);
        // The path is pasted, as users do with long paths: typed key by key, the
        // dialog's completion would rewrite it under the typing.
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        QApplication::clipboard()->setText(QString::fromStdString(path));
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

namespace {
class LastMove : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseMove)
            at = static_cast<QMouseEvent*>(e)->position().toPoint();
        return false;
    }
    QPoint at{-1, -1};
};
} // namespace

void PointerTo(QWidget* widget, QPoint at) {
    LastMove seen;
    widget->installEventFilter(&seen);
    const QPoint target = widget->mapToGlobal(at);
    // Where the pointer is already, the server sends no motion; and a busy machine may
    // fold two warps into none: it goes a pixel away and back until the motion comes.
    bool arrived = false;
    for (int attempt = 0; attempt < 3 && !arrived; ++attempt) {
        if (attempt > 0 || QCursor::pos() == target) {
            QCursor::setPos(target + QPoint(1, 1));
            QTest::qWait(20);
        }
        QCursor::setPos(target);
        arrived = QTest::qWaitFor([&] { return seen.at == at; }, 4000);
    }
    EXPECT_TRUE(arrived) << "no motion event at " << at.x() << "," << at.y();
    widget->removeEventFilter(&seen);
    QApplication::processEvents();
}

void XInput(const std::string& xdotoolArguments) {
    ASSERT_EQ(std::system(("xdotool " + xdotoolArguments).c_str()), 0) << xdotoolArguments;
    // The server's events come in through the socket: let them all arrive.
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(20);
        QApplication::processEvents();
    }
}

void UserSession::SetUp() {
    ForgetKeptSettings();
    theApp.m_pMainWnd = &dlg;
    const std::string corpus = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/g/rgb24.bmp";
    picture = std::filesystem::canonical(std::filesystem::exists(corpus)
                                             ? corpus
                                             : std::string(PIXSCOPE_SAMPLES) + "/sample-24bit.bmp");
}

void UserSession::TearDown() {
    theApp.m_pMainWnd = nullptr;
    theApp.m_arguments.clear();
}

QAction* UserSession::Menu(const char* utf8) {
    for (QAction* a : Frame()->findChildren<QAction*>())
        if (Plain(a->text()).startsWith(QString::fromUtf8(utf8)))
            return a;
    ADD_FAILURE() << "no menu item " << utf8;
    return nullptr;
}

void UserSession::OpenByTyping(QStringList* texts, const std::function<void(QFileDialog*)>& shown) {
    TypeIntoFileDialog(picture, texts, shown);
    Menu("打开位图文件")->trigger();
}

std::string UserSession::Bgrs() {
    return (Edit(IDC_EDIT_B)->text() + "," + Edit(IDC_EDIT_G)->text() + "," +
            Edit(IDC_EDIT_R)->text() + "," + Edit(IDC_EDIT_S)->text())
        .toStdString();
}
