// How the dialog shows a pixel value: four decimal fields, the hexadecimal caption of
// group box 1017 and the swatch.
#include "app/viewer_dlg.h"

void CViewerDlg::SetPixelCaption() {
    CString caption;
    caption.Format(CString::FromUtf8("像素值BGRS:%x,%x,%x,%x"), static_cast<unsigned>(m_nB),
                   static_cast<unsigned>(m_nG), static_cast<unsigned>(m_nR),
                   static_cast<unsigned>(m_nS));
    m_grpPixel.SetWindowText(caption);
}

void CViewerDlg::ShowPixelValue(RGBQUAD value) {
    m_pixel = value;
    m_nB = value.rgbBlue;
    m_nG = value.rgbGreen;
    m_nR = value.rgbRed;
    m_nS = value.rgbReserved;
    SetPixelCaption();
    m_editColor.m_crColor = RGB(m_nR, m_nG, m_nB);
    m_editColor.InvalidateRect(nullptr, FALSE);
    UpdateData(FALSE);
}
