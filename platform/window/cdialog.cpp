#include "platform/window/cdialog.h"

#include "platform/window/cwinapp.h"
#include "platform/window/window_host.h"

#include <QEventLoop>
#include <QPointer>

using platform::window::IsLive;

struct CDialog::ModalState {
    QEventLoop loop;
    bool ended = false;
};

namespace {

std::vector<CDialog*>& ModalStack() {
    static std::vector<CDialog*> stack;
    return stack;
}

void FocusFirstTabStop(HWND dialog) {
    for (HWND child : dialog->children) {
        QWidget* w = child->widget;
        if (w != nullptr && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDHelp(templateId), m_pParentWnd(parent), m_templateId(templateId) {}

CDialog::~CDialog() {
    if (IsLive(m_hWnd))
        CWnd::DestroyWindow();
}

INT_PTR CDialog::DoModal() {
    const platform::DialogTemplate* tmpl = platform::FindDialogTemplate(m_templateId);
    if (tmpl == nullptr || IsLive(m_hWnd))
        return -1;
    // Without a parent the main window owns the dialog, unless it is the main window.
    CWnd* owner = m_pParentWnd;
    if (owner == nullptr && AfxGetMainWnd() != this && AfxGetMainWnd() != nullptr &&
        IsLive(AfxGetMainWnd()->m_hWnd))
        owner = AfxGetMainWnd();
    QWidget* ownerFrame = owner != nullptr ? platform::window::FrameOf(owner->m_hWnd) : nullptr;

    HWND h = platform::window::CreateDialogWindows(*tmpl, this, ownerFrame);
    QPointer<QWidget> frame = h->frame.data();
    ModalState state;
    m_modal = &state;
    h->modalLoop = &state.loop;
    frame->setWindowModality(Qt::ApplicationModal);
    m_nModalResult = -1;
    ModalStack().push_back(this);

    const BOOL focusFirst = static_cast<BOOL>(SendMessage(WM_INITDIALOG));
    if (IsLive(h) && !state.ended) {
        if (focusFirst)
            FocusFirstTabStop(h);
        frame->show();
        frame->activateWindow();
        frame->raise();
        state.loop.exec();
    }

    ModalStack().pop_back();
    m_modal = nullptr;
    if (IsLive(h))
        h->modalLoop = nullptr;
    DestroyWindow();
    delete frame.data();
    return m_nModalResult;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    if (m_modal != nullptr) {
        m_modal->ended = true;
        m_modal->loop.exit();
    }
}

CDialog* CDialog::ActiveModalDialog() {
    return ModalStack().empty() ? nullptr : ModalStack().back();
}

bool CDialog::IsRunningModal() const {
    return m_modal != nullptr && !m_modal->ended && IsLive(m_hWnd);
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_CLOSE: {
        // The close box becomes a posted Cancel, as the dialog manager does it.
        PostMessage(WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}
