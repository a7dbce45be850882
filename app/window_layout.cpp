// The main window grows: the preview and the report tree share the new room, the
// controls below them follow the bottom edge and keep their size.
#include "app/viewer_dlg.h"

#include <algorithm>

void CViewerDlg::RememberLayout() {
    RECT client;
    GetClientRect(&client);
    m_templateSize = CSize(client.right, client.bottom);
    m_layout.clear();
    for (CWnd* child = GetWindow(GW_CHILD); child != nullptr;
         child = child->GetWindow(GW_HWNDNEXT)) {
        RECT r;
        child->GetWindowRect(&r);
        ScreenToClient(&r);
        m_layout.push_back({child->GetSafeHwnd(), r});
    }
}

void CViewerDlg::OnSize(UINT /*type*/, int cx, int cy) {
    CWnd* previewGroup = GetDlgItem(IDC_GROUP_PREVIEW);
    if (m_layout.empty() || previewGroup == nullptr)
        return;
    // The template's two halves: above the preview group's bottom edge the panes, below
    // it the fields and buttons; right of the preview group the right half.
    RECT groupAt{};
    for (const Placed& p : m_layout)
        if (p.hwnd == previewGroup->GetSafeHwnd())
            groupAt = p.at;
    const int dx = std::max(0, cx - static_cast<int>(m_templateSize.cx));
    const int dy = std::max(0, cy - static_cast<int>(m_templateSize.cy));
    const int leftGrows = dx / 2, rightGrows = dx - leftGrows;
    const LONG rightHalf = groupAt.right; // everything right of the preview group
    for (const Placed& p : m_layout) {
        const RECT& r = p.at;
        const bool upper = r.top < groupAt.bottom;
        const bool right = r.left >= rightHalf;
        int x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
        if (upper) {
            h += dy;
            if (right) {
                x += leftGrows;
                w += rightGrows;
            } else {
                w += leftGrows;
            }
        } else {
            y += dy;
            if (right)
                x += leftGrows;
        }
        CWnd::FromHandle(p.hwnd)->MoveWindow(x, y, w, h, TRUE);
    }
    // A picture shown fitted is fitted to the new pane; a zoomed one keeps its zoom.
    m_picture.SetZoom(m_picture.Zoom());
    m_picture.Invalidate(TRUE);
    ShowFileState();
}
