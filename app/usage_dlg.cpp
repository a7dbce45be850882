#include "app/usage_dlg.h"

#include "app/viewer_dlg.h"

CUsageDlg::CUsageDlg(CWnd* pParent) : CDialog(IDD_USAGE, pParent) {}

void CViewerDlg::OnUsage() {
    CUsageDlg dlg;
    dlg.DoModal();
}
