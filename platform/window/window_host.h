// What an HWND points at, and the bookkeeping between windows and their Qt widgets.
// Only the window layer's own sources include this header.
#pragma once

#include "platform/gdi/surface.h"
#include "platform/resources.h"
#include "platform/window/controls.h"
#include "platform/window/cwnd.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QMenu;
class QMenuBar;
class QEventLoop;
class QVBoxLayout;

struct HMENU__ {
    QMenu* menu = nullptr;   // a pop-up (system menu or one of the bar's)
    QMenuBar* bar = nullptr; // the menu bar itself
    HWND owner = nullptr;    // who receives its commands
    bool system = false;     // commands go out as WM_SYSCOMMAND
    std::vector<std::unique_ptr<HMENU__>> popups;
    std::unique_ptr<CMenu> object;
};

struct HWND__ {
    QPointer<QWidget> widget; // the client area of a dialog, or the control
    QPointer<QWidget> frame;  // the top-level window of a dialog
    HWND parent = nullptr;
    int id = -1;
    bool isDialog = false;
    platform::ControlClass kind = platform::ControlClass::Static;
    DWORD style = 0;
    bool live = true;
    CWnd* object = nullptr;          // the attached object
    std::unique_ptr<CWnd> temporary; // FromHandle's object for an unattached window
    platform::gdi::Surface surface;  // what the window's own painting draws into
    bool erasePending = true;
    bool programPainted = false;
    RECT paintRect{};
    std::vector<HWND> children;
    std::unique_ptr<HMENU__> menuBar;
    std::unique_ptr<HMENU__> systemMenu;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    int clientInset = 0;             // a bordered control's frame, outside its client area
    bool acceptFiles = false;        // DragAcceptFiles: dropped files come as WM_DROPFILES
    bool pointerInside = false;      // a control that takes mouse messages has the pointer
    QEventLoop* modalLoop = nullptr; // the loop DoModal runs for this dialog
};

namespace platform::window {

// The face colour of dialogs and of a control's erased background (red 236,
// green 233, blue 216).
inline constexpr COLORREF kFaceColor = 0x00D8E9EC;

// All windows of one dialog; deleted with the dialog's frame.
class DialogHost;

bool IsLive(HWND hwnd);
HWND HandleOf(const QObject* widget);
// Builds the dialog's windows from its template; the frame is not shown yet.
HWND CreateDialogWindows(const DialogTemplate& tmpl, CWnd* object, QWidget* owner);
// Takes the dialog's windows out of service; the widgets go once no handler runs.
void RetireDialogWindows(HWND dialog);
// Sends the dialog a button's command, as a click does.
void SendCommand(HWND dialog, int id);
// A control's notification to its dialog, as WM_NOTIFY with the control's id.
void SendNotify(HWND dialog, HWND control, UINT code);
// The filter that turns a window's Qt events into messages.
QObject* WindowEventFilter();
// A drag of files over a control or dialog h whose dialog accepts files; true when it
// took the event.
bool FileDragEvent(HWND h, QEvent* event);
void BuildMenuBar(HWND dialog, const MenuTemplate& tmpl, QVBoxLayout* layout);
void BuildSystemMenu(HWND dialog);
void OpenSystemMenu(HWND dialog);
void ShowSystemMenuIcon(HWND dialog, const QPixmap& icon);
// The CMenu object of a menu, made on first use.
CMenu* MenuObject(HMENU__* menu);
QWidget* FrameOf(HWND hwnd);
// A window for a widget the layer builds in a dialog's frame, outside its template
// (the status bar); it lives as long as the dialog.
HWND AttachWidget(HWND dialog, QWidget* widget);
// Makes a dialog's frame as its style says: sizable or not, and its boxes.
void ApplyFrameStyle(HWND dialog);

QString ToQString(LPCTSTR gbk);
CString FromQString(const QString& text);
QPixmap IconPixmap(HICON icon);
QFont DialogFont(const char* fontName, int pointSize);

} // namespace platform::window
