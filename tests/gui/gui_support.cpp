#include "tests/gui/gui_support.h"

#include "platform/window/window_host.h"
#include "tests/bmp_builder.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

INT_PTR RunModal(CDialog& dlg, const std::function<void()>& script) {
    QTimer::singleShot(0, [&dlg, script] {
        script();
        if (dlg.IsRunningModal())
            dlg.EndDialog(IDCANCEL);
    });
    return dlg.DoModal();
}

void OnNextModal(const std::function<void(CDialog&)>& fn) {
    CDialog* outer = CDialog::ActiveModalDialog();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [outer, fn, poll] {
        CDialog* now = CDialog::ActiveModalDialog();
        if (now == nullptr || now == outer) {
            QTimer::singleShot(0, *poll);
            return;
        }
        fn(*now);
        if (now->IsRunningModal())
            now->EndDialog(IDCANCEL);
        *poll = nullptr; // breaks the cycle
    };
    QTimer::singleShot(0, *poll);
}

QWidget* WidgetOf(const CWnd& wnd) {
    return platform::window::IsLive(wnd.m_hWnd) ? wnd.m_hWnd->widget.data() : nullptr;
}

QWidget* FrameOf(const CWnd& wnd) {
    return platform::window::FrameOf(wnd.m_hWnd);
}

QImage Grab(const CWnd& wnd) {
    QWidget* w = wnd.m_hWnd->isDialog ? FrameOf(wnd) : WidgetOf(wnd);
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void PressKey(CDialog& dlg, int key) {
    QWidget* frame = FrameOf(dlg);
    QWidget* target = frame->focusWidget() != nullptr ? frame->focusWidget() : frame;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void SetText(CWnd* control, const char* utf8) {
    control->SetWindowText(CString::FromUtf8(utf8));
}

std::string TextOf(const CWnd* control) {
    CString text;
    control->GetWindowText(text);
    return text.ToUtf8();
}

std::string SavePng(const QImage& image, const std::string& name) {
    const QString dir = QString::fromUtf8(PIXSCOPE_RENDER_DIR);
    QDir().mkpath(dir);
    const QString path = dir + "/" + QString::fromStdString(name) + ".png";
    image.save(path);
    return path.toStdString();
}

COLORREF PixelAt(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return RGB(static_cast<BYTE>(qRed(p)), static_cast<BYTE>(qGreen(p)),
               static_cast<BYTE>(qBlue(p)));
}

void ExpectNoTextCut(const CWnd& dialog) {
    for (QLabel* label : WidgetOf(dialog)->findChildren<QLabel*>()) {
        const QRect room = label->contentsRect();
        EXPECT_TRUE(label->text().isEmpty() || label->heightForWidth(room.width()) <= room.height())
            << label->text().toStdString();
    }
}

std::multiset<const QMetaObject*>& AwaitedDialogs() {
    static std::multiset<const QMetaObject*> awaited;
    return awaited;
}

namespace {
class UnexpectedDialogs : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* d = qobject_cast<QDialog*>(o);
        if (e->type() != QEvent::Show || d == nullptr ||
            !(qobject_cast<QMessageBox*>(d) || qobject_cast<QFileDialog*>(d) ||
              qobject_cast<QColorDialog*>(d)))
            return false;
        for (const QMetaObject* awaited : AwaitedDialogs())
            if (awaited->cast(d) != nullptr)
                return false;
        const auto* box = qobject_cast<QMessageBox*>(d);
        ADD_FAILURE() << "an unexpected dialog: " << d->windowTitle().toStdString() << " "
                      << (box ? box->text().toStdString() : "");
        QTimer::singleShot(0, d, &QDialog::reject);
        return false;
    }
};
} // namespace

void RejectUnexpectedDialogs() {
    auto* filter = new UnexpectedDialogs;
    filter->setParent(qApp); // goes with the application
    qApp->installEventFilter(filter);
}

void UseFreshConfigFolder() {
    // A plain array: the remover runs at exit, after every static string is destroyed.
    static char folder[] = "/tmp/pixscope-config-XXXXXX";
    static const bool made = [] {
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        std::atexit([] { std::filesystem::remove_all(folder); });
        return true;
    }();
    (void)made;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
}

void ForgetKeptSettings() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "pixscope", "pixscope");
    settings.clear();
    settings.sync();
}
