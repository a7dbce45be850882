#include "app/viewer_dlg.h"
#include "dib/dib.h"

#include <cstring>

void CViewerDlg::OnClearCache() {
    m_nReportLen = 0;
    std::memset(m_pReport, 0, static_cast<size_t>(m_nReportSize));
    m_tree.DeleteAllItems();
    if (m_bOpened)
        m_pDib->Empty();
    m_bOpened = FALSE;
    m_bModified = FALSE;
    m_nativePath.clear();
    ShowFileState();
    m_picture.SetMarker(std::nullopt);
    m_picture.Invalidate(TRUE);
}
