#include "app/viewer_dlg.h"
#include "platform/common_dialogs.h"

void CViewerDlg::OnChooseColor() {
    if (!m_bOpened) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    CColorDialog dlg(0, 0);
    if (dlg.DoModal() != IDOK)
        return;
    const COLORREF c = dlg.GetColor();
    m_pixel.rgbBlue = static_cast<BYTE>((c >> 16) & 0xFF);
    m_pixel.rgbGreen = static_cast<BYTE>((c >> 8) & 0xFF);
    m_pixel.rgbRed = static_cast<BYTE>(c & 0xFF);
    m_nB = m_pixel.rgbBlue;
    m_nG = m_pixel.rgbGreen;
    m_nR = m_pixel.rgbRed;
    m_editColor.m_crColor = c;
    m_editColor.InvalidateRect(nullptr, FALSE);
    UpdateData(FALSE);
}
