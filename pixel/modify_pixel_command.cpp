#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"

void CViewerDlg::OnModifyPixel() {
    if (!m_bOpened || m_pDib == nullptr) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    if (m_pDib->IsEmpty())
        return;
    if (!PixelWritable(*m_pDib->m_pInfo)) {
        AfxMessageBox(CString::FromUtf8(kDepthNotWritableMessage), 0);
        return;
    }
    UpdateData(TRUE);
    if (!PixelPositionAccepted(*m_pDib->m_pInfo, m_nX, m_nY)) {
        AfxMessageBox(CString::FromUtf8(kPositionOutsideMessage), 0);
        return;
    }
    // Through the picture's masks, so that a read gives back what was written; a value
    // its masks can't hold is refused before anything changes.
    const RGBQUAD asked{m_nB, m_nG, m_nR, m_nS};
    if (const std::string why = m_pDib->DrawnPixelRefusal(m_nX, m_nY, asked); !why.empty()) {
        AfxMessageBox(CString::FromUtf8(why + "。像素没有修改。"), 0);
        return;
    }
    m_pixel = asked;
    SetPixelCaption();
    m_pDib->SetDrawnPixel(m_nX, m_nY, m_pixel);
    // What was written shows at once: in the preview and the magnifier, in the swatch
    // and in the caption's "*".
    m_editColor.m_crColor = RGB(m_nR, m_nG, m_nB);
    m_editColor.InvalidateRect(nullptr, FALSE);
    m_picture.Invalidate(FALSE);
    m_bModified = TRUE;
    ShowFileState();
}
