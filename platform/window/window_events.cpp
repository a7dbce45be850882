// Qt's events for our windows, turned into the messages their objects handle:
// painting, Enter, Esc and F1 in a dialog, and its close box.
#include "platform/window/window_host.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWheelEvent>

namespace platform::window {

void SendCommand(HWND dialog, int id) {
    if (IsLive(dialog))
        CWnd::FromHandle(dialog)->SendMessage(
            WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(BN_CLICKED)), 0);
}

void SendNotify(HWND dialog, HWND control, UINT code) {
    if (!IsLive(dialog) || !IsLive(control))
        return;
    NMHDR header{control, static_cast<std::uintptr_t>(control->id), code};
    CWnd::FromHandle(dialog)->SendMessage(WM_NOTIFY, static_cast<WPARAM>(control->id),
                                          reinterpret_cast<LPARAM>(&header));
}

namespace {

// The id Enter sends: the focused push button's, else the default button's, else IDOK.
int EnterCommandId(HWND dialog) {
    QWidget* focus = dialog->frame != nullptr ? dialog->frame->focusWidget() : nullptr;
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        const HWND h = HandleOf(button);
        if (h != nullptr)
            return h->id;
    }
    for (HWND child : dialog->children)
        if (child->kind == ControlClass::Button && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return child->id;
    return IDOK;
}

class WindowEvents : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const HWND h = HandleOf(watched);
        if (h == nullptr || !IsLive(h))
            return false;
        switch (event->type()) {
        case QEvent::Paint:
            return watched == h->widget && Paint(h, static_cast<QPaintEvent*>(event));
        case QEvent::Resize:
            if (h->isDialog && watched == h->widget)
                Resized(h);
            return false;
        case QEvent::Wheel:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
            if (!h->isDialog && watched == h->widget && ControlInput(h, event))
                return true;
            return h->isDialog && watched == h->frame && event->type() == QEvent::KeyPress &&
                   Key(h, static_cast<QKeyEvent*>(event));
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: // a quick second press comes as this alone
        case QEvent::Leave:
            return watched == h->widget && Mouse(h, event);
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return FileDragEvent(h, event);
        case QEvent::Close:
            if (h->isDialog && watched == h->frame) {
                event->ignore();
                CWnd::FromHandle(h)->SendMessage(WM_CLOSE);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    // A dialog grown or shrunk: its own painting's surface follows, and it hears WM_SIZE.
    static void Resized(HWND h) {
        const QSize size = h->widget->size();
        h->surface = gdi::Surface(size.width(), size.height(), kFaceColor);
        h->erasePending = true;
        QWidget* frame = h->frame;
        const UINT type = frame != nullptr && frame->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
        CWnd::FromHandle(h)->SendMessage(
            WM_SIZE, type,
            MAKELPARAM(static_cast<WORD>(size.width()), static_cast<WORD>(size.height())));
    }
    // What a static control with SS_NOTIFY takes besides the pointer's moves and clicks:
    // the button's release, the wheel (in client coordinates, with MK_CONTROL) and keys
    // while it has the focus. True when its handler took it.
    static bool ControlInput(HWND h, QEvent* event) {
        if (h->kind != ControlClass::Static || (h->style & SS_NOTIFY) == 0)
            return false;
        CWnd* wnd = CWnd::FromHandle(h);
        const QPoint inset(h->clientInset, h->clientInset);
        auto where = [](QPoint p) {
            return MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x())),
                              static_cast<WORD>(static_cast<short>(p.y())));
        };
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            wnd->SendMessage(WM_LBUTTONUP, 0, where(mouse->position().toPoint() - inset));
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            const UINT keys = ((wheel->modifiers() & Qt::ControlModifier) != 0 ? MK_CONTROL : 0) |
                              ((wheel->modifiers() & Qt::ShiftModifier) != 0 ? MK_SHIFT : 0);
            const auto delta = static_cast<short>(wheel->angleDelta().y());
            return wnd->SendMessage(WM_MOUSEWHEEL,
                                    MAKEWPARAM(static_cast<WORD>(keys), static_cast<WORD>(delta)),
                                    where(wheel->position().toPoint() - inset)) != 0;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        const UINT vk = VirtualKey(*key);
        if (vk == 0)
            return false;
        wnd->SendMessage(WM_KEYDOWN, vk, MAKELPARAM(1, 0));
        return true;
    }
    // The virtual key a Qt key press stands for, of those the controls take; 0 else.
    static UINT VirtualKey(const QKeyEvent& key) {
        switch (key.key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return VK_OEM_PLUS;
        case Qt::Key_Minus:
            return VK_OEM_MINUS;
        case Qt::Key_0:
        case Qt::Key_1:
            return static_cast<UINT>('0' + (key.key() - Qt::Key_0));
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            return 0;
        }
    }
    // A static control with SS_NOTIFY takes its own mouse messages, in client coordinates;
    // leaving it sends WM_MOUSELEAVE.
    static bool Mouse(HWND h, QEvent* event) {
        if (h->kind != ControlClass::Static || (h->style & SS_NOTIFY) == 0)
            return false;
        CWnd* wnd = CWnd::FromHandle(h);
        if (event->type() == QEvent::Leave) {
            if (h->pointerInside) {
                h->pointerInside = false;
                wnd->SendMessage(WM_MOUSELEAVE);
            }
            return false;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint p = mouse->position().toPoint() - QPoint(h->clientInset, h->clientInset);
        const LPARAM where = MAKELPARAM(static_cast<WORD>(static_cast<short>(p.x())),
                                        static_cast<WORD>(static_cast<short>(p.y())));
        const WPARAM keys = (mouse->buttons() & Qt::LeftButton) != 0 ? MK_LBUTTON : 0;
        if (event->type() == QEvent::MouseMove) {
            h->pointerInside = true;
            wnd->SendMessage(WM_MOUSEMOVE, keys, where);
            return false;
        }
        if (mouse->button() != Qt::LeftButton)
            return false;
        wnd->SendMessage(WM_LBUTTONDOWN, keys, where);
        return true;
    }
    static bool Paint(HWND h, QPaintEvent* event) {
        const QRect r = event->rect();
        h->paintRect = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        h->programPainted = false;
        CWnd::FromHandle(h)->SendMessage(WM_PAINT);
        if (!IsLive(h) || !h->programPainted || h->widget == nullptr)
            return false;
        const auto& s = h->surface;
        const QImage image(reinterpret_cast<const uchar*>(s.pixels.data()), s.width, s.height,
                           s.width * 4, QImage::Format_RGB32);
        QPainter painter(h->widget);
        if (h->clientInset > 0) {
            // The sunken border lies outside the client area; the desktop's style draws it.
            QStyleOptionFrame frame;
            frame.initFrom(h->widget);
            frame.lineWidth = 1;
            h->widget->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter,
                                              h->widget);
        }
        painter.drawImage(h->clientInset, h->clientInset, image);
        return true;
    }
    static bool Key(HWND dialog, QKeyEvent* key) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & ~Qt::KeypadModifier)
                return false;
            SendCommand(dialog, EnterCommandId(dialog));
            return true;
        case Qt::Key_Escape:
            SendCommand(dialog, IDCANCEL);
            return true;
        case Qt::Key_F1:
            SendCommand(dialog, static_cast<int>(ID_HELP));
            return true;
        default:
            return false;
        }
    }
};

} // namespace

QObject* WindowEventFilter() {
    static WindowEvents* events = new WindowEvents;
    return events;
}

} // namespace platform::window
