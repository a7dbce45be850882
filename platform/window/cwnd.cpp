#include "platform/window/cwnd.h"

#include "platform/exceptions.h"
#include "platform/gdi/gdi.h"
#include "platform/interaction.h"
#include "platform/progress.h"
#include "platform/window/cdialog.h"
#include "platform/window/cwinapp.h"
#include "platform/window/window_host.h"

#include <QApplication>
#include <QEventLoop>
#include <QWindow>

#include <new>
#include <stdexcept>

using platform::window::FrameOf;
using platform::window::IsLive;

// The root of every message map: no entries, no base.
const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, AfxSig::end, {.vv = nullptr}}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig::end; ++e)
            if (e->nMessage == message &&
                (e->nID == id || (e->nLastID != 0 && id >= e->nID && id <= e->nLastID)))
                return e;
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, nID);
    if (entry == nullptr)
        return FALSE;
    if (entry->nSig == AfxSig::vw)
        (this->*entry->pfn.vw)(nID);
    else
        (this->*entry->pfn.vv)();
    return TRUE;
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd() {
    if (IsLive(m_hWnd) && m_hWnd->object == this)
        m_hWnd->object = nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!IsLive(hwnd))
        return nullptr;
    if (hwnd->object != nullptr)
        return hwnd->object;
    if (hwnd->temporary == nullptr) {
        switch (hwnd->kind) {
        case platform::ControlClass::Edit:
            hwnd->temporary = std::make_unique<CEdit>();
            break;
        case platform::ControlClass::TreeView:
            hwnd->temporary = std::make_unique<CTreeCtrl>();
            break;
        case platform::ControlClass::Button:
            hwnd->temporary = std::make_unique<CButton>();
            break;
        case platform::ControlClass::Static:
            hwnd->temporary = std::make_unique<CStatic>();
            break;
        }
        hwnd->temporary->m_hWnd = hwnd;
    }
    return hwnd->temporary.get();
}

BOOL CWnd::DestroyWindow() {
    HWND h = m_hWnd;
    if (!IsLive(h) || !h->isDialog)
        return FALSE;
    QWidget* frame = h->frame;
    QEventLoop* loop = h->modalLoop;
    platform::window::RetireDialogWindows(h);
    if (loop != nullptr)
        loop->exit(); // DoModal deletes the frame once its loop has returned
    else if (frame != nullptr)
        frame->deleteLater();
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(m_hWnd))
        return 0;
    try {
        return WindowProc(message, wParam, lParam);
    } catch (CMemoryException* e) {
        // Running out of memory abandons the command, with the framework's message.
        e->Delete();
        AfxMessageBox(CString::FromUtf8("内存不足。"));
    } catch (CException* e) {
        e->Delete();
    } catch (const std::bad_alloc&) {
        // The standard containers' failures are the same event as the allocator's.
        AfxMessageBox(CString::FromUtf8("内存不足。"));
    } catch (const std::length_error&) {
        AfxMessageBox(CString::FromUtf8("内存不足。"));
    } catch (const platform::WorkCancelled&) {
        // The user stopped the work; nothing more to say.
    }
    return 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = m_hWnd;
    if (!IsLive(h) || h->widget == nullptr)
        return FALSE;
    QMetaObject::invokeMethod(
        h->widget.data(),
        [h, message, wParam, lParam] {
            if (IsLive(h))
                FromHandle(h)->SendMessage(message, wParam, lParam);
        },
        Qt::QueuedConnection);
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT savedMessage = m_currentMessage;
    const WPARAM savedW = m_currentWParam;
    const LPARAM savedL = m_currentLParam;
    m_currentMessage = message;
    m_currentWParam = wParam;
    m_currentLParam = lParam;
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    m_currentMessage = savedMessage;
    m_currentWParam = savedW;
    m_currentLParam = savedL;
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    if (message == WM_NOTIFY)
        return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0);
    if (entry == nullptr)
        return FALSE;
    switch (entry->nSig) {
    case AfxSig::vv:
        (this->*entry->pfn.vv)();
        break;
    case AfxSig::vwl:
        (this->*entry->pfn.vwl)(static_cast<UINT>(wParam), lParam);
        break;
    case AfxSig::hv:
        *result = reinterpret_cast<LRESULT>((this->*entry->pfn.hv)());
        break;
    case AfxSig::vwp:
        (this->*entry->pfn.vwp)(static_cast<UINT>(wParam),
                                CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        break;
    case AfxSig::vD:
        (this->*entry->pfn.vD)(reinterpret_cast<HDROP>(wParam));
        break;
    case AfxSig::vwii:
        (this->*entry->pfn.vwii)(static_cast<UINT>(wParam), GET_X_LPARAM(lParam),
                                 GET_Y_LPARAM(lParam));
        break;
    case AfxSig::bwsp:
        *result = (this->*entry->pfn.bwsp)(
            LOWORD(static_cast<std::uintptr_t>(wParam)),
            static_cast<short>(HIWORD(static_cast<std::uintptr_t>(wParam))),
            CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        break;
    case AfxSig::vwww:
        (this->*entry->pfn.vwww)(static_cast<UINT>(wParam),
                                 LOWORD(static_cast<std::uintptr_t>(lParam)),
                                 HIWORD(static_cast<std::uintptr_t>(lParam)));
        break;
    case AfxSig::vw:
    case AfxSig::vNMHDRpl:
        return FALSE; // commands and notifications only
    case AfxSig::end:
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    const UINT id = LOWORD(wParam);
    if (OnCmdMsg(id))
        return TRUE;
    // What the window leaves goes to the application, as the framework routes it.
    CWinApp* app = AfxGetApp();
    return app != nullptr && m_hWnd != nullptr && m_hWnd->isDialog && app->OnCmdMsg(id);
}

BOOL CWnd::OnNotify(NMHDR* header, LRESULT* result) {
    if (header == nullptr)
        return FALSE;
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig::end; ++e)
            if (e->nMessage == WM_NOTIFY && e->nID == header->idFrom && e->nCode == header->code) {
                (this->*e->pfn.vNMHDRpl)(header, result);
                return TRUE;
            }
    return FALSE;
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMessage, m_currentWParam, m_currentLParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    HWND h = m_hWnd;
    if (!IsLive(h))
        return 0;
    switch (message) {
    case WM_ERASEBKGND:
    case WM_ICONERASEBKGND: {
        HBRUSH brush = CreateSolidBrush(platform::window::kFaceColor);
        const RECT all{0, 0, h->surface.width, h->surface.height};
        ::FillRect(reinterpret_cast<HDC>(wParam), &all, brush);
        DeleteObject(brush);
        return 1;
    }
    case WM_SYSCOMMAND: {
        QWidget* frame = FrameOf(h);
        switch (static_cast<UINT>(wParam) & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(WM_CLOSE);
            break;
        case SC_MINIMIZE:
            if (frame != nullptr)
                frame->showMinimized();
            break;
        case SC_RESTORE:
            if (frame != nullptr)
                frame->showNormal();
            break;
        case SC_MOVE:
            if (frame != nullptr && frame->windowHandle() != nullptr)
                frame->windowHandle()->startSystemMove();
            break;
        default:
            break;
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    default:
        return 0;
    }
}

void CWnd::DoDataExchange(CDataExchange* /*pDX*/) {}

void CWnd::OnPaint() {
    Default();
}

void CWnd::OnSysCommand(UINT /*nID*/, LPARAM /*lParam*/) {
    Default();
}

HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}

void CWnd::GetClientRect(LPRECT rect) const {
    *rect = RECT{0, 0, 0, 0};
    if (!IsLive(m_hWnd) || m_hWnd->widget == nullptr)
        return;
    const int inset = m_hWnd->clientInset;
    rect->right = std::max(0, m_hWnd->widget->width() - 2 * inset);
    rect->bottom = std::max(0, m_hWnd->widget->height() - 2 * inset);
}

void CWnd::GetWindowRect(LPRECT rect) const {
    *rect = RECT{0, 0, 0, 0};
    if (!IsLive(m_hWnd) || m_hWnd->widget == nullptr)
        return;
    QWidget* w =
        m_hWnd->isDialog && m_hWnd->frame != nullptr ? m_hWnd->frame.data() : m_hWnd->widget.data();
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    // A dialog not yet shown has the size its layout will give it.
    const QSize size = w->isVisible() || w->layout() == nullptr ? w->size() : w->sizeHint();
    *rect = RECT{at.x(), at.y(), at.x() + size.width(), at.y() + size.height()};
}

void CWnd::ScreenToClient(LPRECT rect) const {
    if (!IsLive(m_hWnd) || m_hWnd->widget == nullptr)
        return;
    const QPoint at = m_hWnd->widget->mapToGlobal(QPoint(m_hWnd->clientInset, m_hWnd->clientInset));
    rect->left -= at.x();
    rect->right -= at.x();
    rect->top -= at.y();
    rect->bottom -= at.y();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    HWND h = m_hWnd;
    if (!IsLive(h) || h->widget == nullptr)
        return;
    if (h->isDialog) { // the frame, on the screen; never smaller than it may be
        if (h->frame != nullptr)
            h->frame->setGeometry(x, y, std::max(width, h->frame->minimumWidth()),
                                  std::max(height, h->frame->minimumHeight()));
        return;
    }
    h->widget->setGeometry(x, y, std::max(0, width), std::max(0, height));
    // What the control's own painting draws into follows its new size.
    const int inset = h->clientInset;
    h->surface =
        platform::gdi::Surface(std::max(0, width - 2 * inset), std::max(0, height - 2 * inset),
                               platform::window::kFaceColor);
    h->erasePending = true;
    if (repaint)
        h->widget->update();
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add) {
    HWND h = m_hWnd;
    if (!IsLive(h) || !h->isDialog)
        return FALSE;
    h->style = (h->style & ~remove) | add;
    platform::window::ApplyFrameStyle(h);
    return TRUE;
}

void CWnd::Invalidate(BOOL erase) {
    if (!IsLive(m_hWnd) || m_hWnd->widget == nullptr)
        return;
    if (erase)
        m_hWnd->erasePending = true;
    m_hWnd->widget->update();
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    if (rect == nullptr) {
        Invalidate(erase);
        return;
    }
    if (!IsLive(m_hWnd) || m_hWnd->widget == nullptr)
        return;
    if (erase)
        m_hWnd->erasePending = true;
    const int inset = m_hWnd->clientInset;
    m_hWnd->widget->update(QRect(rect->left + inset, rect->top + inset, rect->right - rect->left,
                                 rect->bottom - rect->top));
}

void CWnd::UpdateWindow() {
    if (IsLive(m_hWnd) && m_hWnd->widget != nullptr)
        m_hWnd->widget->repaint();
}

BOOL CWnd::IsIconic() const {
    QWidget* frame = IsLive(m_hWnd) ? FrameOf(m_hWnd) : nullptr;
    return frame != nullptr && frame->isMinimized();
}

BOOL CWnd::IsWindowEnabled() const {
    return IsLive(m_hWnd) && m_hWnd->widget != nullptr && m_hWnd->widget->isEnabled();
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
    if (!IsLive(m_hWnd))
        return nullptr;
    HICON& slot = bigIcon ? m_hWnd->bigIcon : m_hWnd->smallIcon;
    HICON previous = slot;
    slot = icon;
    const QPixmap pixmap = platform::window::IconPixmap(icon);
    if (QWidget* frame = FrameOf(m_hWnd))
        frame->setWindowIcon(QIcon(pixmap));
    platform::window::ShowSystemMenuIcon(m_hWnd, pixmap);
    return previous;
}

HICON CWnd::GetIcon(BOOL bigIcon) const {
    if (!IsLive(m_hWnd))
        return nullptr;
    return bigIcon ? m_hWnd->bigIcon : m_hWnd->smallIcon;
}

CMenu* CWnd::GetSystemMenu(BOOL /*revert*/) {
    if (!IsLive(m_hWnd) || m_hWnd->systemMenu == nullptr)
        return nullptr;
    return platform::window::MenuObject(m_hWnd->systemMenu.get());
}

CMenu* CWnd::GetMenu() const {
    if (!IsLive(m_hWnd) || m_hWnd->menuBar == nullptr)
        return nullptr;
    return platform::window::MenuObject(m_hWnd->menuBar.get());
}

CWnd* CWnd::GetDlgItem(int id) const {
    if (!IsLive(m_hWnd))
        return nullptr;
    for (HWND child : m_hWnd->children)
        if (child->id == id)
            return FromHandle(child);
    return nullptr;
}

CWnd* CWnd::GetWindow(UINT command) const {
    if (!IsLive(m_hWnd))
        return nullptr;
    if (command == GW_CHILD)
        return m_hWnd->children.empty() ? nullptr : FromHandle(m_hWnd->children.front());
    if (command != GW_HWNDNEXT || !IsLive(m_hWnd->parent))
        return nullptr;
    const auto& siblings = m_hWnd->parent->children;
    for (std::size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i] == m_hWnd)
            return FromHandle(siblings[i + 1]);
    return nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return IsLive(m_hWnd) ? m_hWnd->id : 0;
}

CWnd* CWnd::GetParent() const {
    return IsLive(m_hWnd) ? FromHandle(m_hWnd->parent) : nullptr;
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (IsLive(m_hWnd) && m_hWnd->widget != nullptr)
        m_hWnd->widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr)
        if (CDialog* modal = CDialog::ActiveModalDialog())
            if (QWidget* frame = FrameOf(modal->m_hWnd))
                focus = frame->focusWidget();
    return focus != nullptr ? FromHandle(platform::window::HandleOf(focus)) : nullptr;
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
    const CString title = caption != nullptr ? CString(caption) : platform::ApplicationTitle();
    platform::ProgressScope::EndShown();
    return platform::CurrentInteraction().MessageBox(CString(text), title, type);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (CUserException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (parent == nullptr || !IsLive(parent->m_hWnd))
        return FALSE;
    for (HWND child : parent->m_hWnd->children)
        if (child->id == static_cast<int>(id))
            return Attach(child);
    return FALSE;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (!IsLive(hwnd) || hwnd->object != nullptr)
        return FALSE;
    hwnd->object = this;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (IsLive(h) && h->object == this)
        h->object = nullptr;
    m_hWnd = nullptr;
    return h;
}
