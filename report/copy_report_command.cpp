#include "app/viewer_dlg.h"
#include "platform/clipboard.h"
#include "platform/kernel.h"

#include <cstring>

void CViewerDlg::OnCopyReport() {
    if (!m_bOpened) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    OpenClipboard(m_hWnd);
    EmptyClipboard();
    // One byte more than the buffer, zero, so that a full buffer's text ends too.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(m_nReportSize) + 1);
    if (void* p = h != nullptr ? GlobalLock(h) : nullptr) {
        std::memcpy(p, m_pReport, static_cast<size_t>(m_nReportSize));
        GlobalUnlock(h);
        SetClipboardData(CF_TEXT, h);
    } else if (h != nullptr) {
        GlobalFree(h);
    }
    CloseClipboard();
    AfxMessageBox(CString::FromUtf8("位图信息已经复制到剪贴板了\\(^o^)/"), 0);
}
