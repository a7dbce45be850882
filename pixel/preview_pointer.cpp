// The pointer over the preview: the preview's caption names the picture pixel under it
// and its B, G, R, S values; a click reads that pixel as the read button does.
#include "app/viewer_dlg.h"
#include "dib/dib.h"

namespace {
// The preview group box's caption in the template.
constexpr const char* kPreviewCaption = "位图缩略图(左上角坐标:(0,0))";
} // namespace

void CViewerDlg::OnPreviewPointer() {
    CWnd* group = GetDlgItem(IDC_GROUP_PREVIEW);
    if (group == nullptr)
        return;
    ShowPointerStatus();
    const std::optional<CPoint> at = m_picture.m_pointer;
    if (!at || !m_bOpened || m_pDib->m_pInfo == nullptr) {
        group->SetWindowText(CString::FromUtf8(kPreviewCaption));
        return;
    }
    const RGBQUAD v = m_pDib->GetDrawnPixel(at->x, at->y);
    CString caption;
    caption.Format(CString::FromUtf8("位图缩略图(指针:(%d,%d) BGRS:%u,%u,%u,%u)"), at->x, at->y,
                   static_cast<unsigned>(v.rgbBlue), static_cast<unsigned>(v.rgbGreen),
                   static_cast<unsigned>(v.rgbRed), static_cast<unsigned>(v.rgbReserved));
    group->SetWindowText(caption);
}

void CViewerDlg::OnPreviewClick(CPoint pixel) {
    CString text;
    text.Format("%d", pixel.x);
    GetDlgItem(IDC_EDIT_X)->SetWindowText(text);
    text.Format("%d", pixel.y);
    GetDlgItem(IDC_EDIT_Y)->SetWindowText(text);
    SendMessage(WM_COMMAND, IDC_READ_PIXEL);
}
