// Windows of the framework. A CWnd is attached to a window (m_hWnd) that the layer
// builds with Qt; the window's messages reach the object's WindowProc and, through
// its message map, its handlers. Messages no handler takes get the default handling.
#pragma once

#include "platform/cstring.h"
#include "platform/geometry.h"
#include "platform/window/message_map.h"

class CDataExchange;
class CMenu;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; } // NOLINT: as the framework's

    // The object attached to a window, or a temporary one the window owns.
    static CWnd* FromHandle(HWND hwnd);

    virtual BOOL DestroyWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* pDX);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message; it is sent once the running handlers have returned.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetWindowText(LPCTSTR text);
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    void GetClientRect(LPRECT rect) const;
    // The window's rectangle on the screen, and a screen rectangle in this window's
    // client coordinates.
    void GetWindowRect(LPRECT rect) const;
    void ScreenToClient(LPRECT rect) const;
    // Moves and sizes a control within its dialog's client area, or a dialog's window
    // on the screen.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    // A dialog's frame styles: WS_THICKFRAME lets the user size it (never below its
    // template), WS_MAXIMIZEBOX and WS_MINIMIZEBOX give it those boxes.
    BOOL ModifyStyle(DWORD remove, DWORD add);
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    // Paints now whatever is invalid.
    void UpdateWindow();
    BOOL IsIconic() const;
    BOOL IsWindowEnabled() const;
    HICON SetIcon(HICON icon, BOOL bigIcon);
    HICON GetIcon(BOOL bigIcon) const;
    CMenu* GetSystemMenu(BOOL revert);
    CMenu* GetMenu() const;
    CWnd* GetDlgItem(int id) const;
    // GW_CHILD: the first control of a dialog, in template order; GW_HWNDNEXT: the
    // control after this one.
    CWnd* GetWindow(UINT command) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    CWnd* SetFocus();
    static CWnd* GetFocus();
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Attaches this object to the dialog's control id, so that its handlers take
    // the control's messages.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    BOOL Attach(HWND hwnd);
    HWND Detach();

protected:
    // Default handling of the message being processed.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: the handler the table binds to the control and its code.
    virtual BOOL OnNotify(NMHDR* header, LRESULT* result);

    void OnPaint();
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()

private:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    UINT m_currentMessage = 0;
    WPARAM m_currentWParam = 0;
    LPARAM m_currentLParam = 0;
};
