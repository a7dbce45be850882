// The report buffer: a fixed block that takes whole lines until it is full.
#include "app/viewer_dlg.h"

#include <cstring>

BOOL CViewerDlg::AppendReport(const CString& line, int capacity) {
    const int n = line.GetLength();
    if (capacity - m_nReportLen < n) {
        AfxMessageBox(CString::FromUtf8("信息缓存不足，请通过“选项”菜单中的“清空缓存”之后再试!"));
        return FALSE;
    }
    std::memcpy(m_pReport + m_nReportLen, static_cast<LPCTSTR>(line), static_cast<size_t>(n));
    m_nReportLen += n;
    return TRUE;
}
