#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"

void CViewerDlg::OnReadPixel() {
    if (!m_bOpened || m_pDib == nullptr) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    if (m_pDib->IsEmpty())
        return;
    UpdateData(TRUE);
    // Negative coordinates get the bound message too: nothing outside the picture is read.
    if (!PixelPositionAccepted(*m_pDib->m_pInfo, m_nX, m_nY)) {
        AfxMessageBox(CString::FromUtf8(kPositionOutsideMessage), 0);
        return;
    }
    ShowPixelValue(m_pDib->GetDrawnPixel(m_nX, m_nY));
    m_picture.SetMarker(CPoint(m_nX, m_nY));
}
