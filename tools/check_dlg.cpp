#include "tools/check_dlg.h"

#include "inspect/describe.h"
#include "resources/resource.h"

CCheckDlg::CCheckDlg(const CString& path, std::vector<inspect::Finding> findings, CWnd* pParent)
    : CDialog(IDD_CHECK_BITMAP, pParent), m_path(path), m_list(std::move(findings)) {}

void CCheckDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHECK_FINDINGS, m_findings);
}

BOOL CCheckDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    GetDlgItem(IDC_CHECK_FILE)->SetWindowText(CString::FromUtf8("文件：") + m_path);
    GetDlgItem(IDC_CHECK_SUMMARY)
        ->SetWindowText(CString::FromUtf8(inspect::SummariseFindings(m_list)));
    for (const inspect::Finding& f : m_list)
        m_findings.InsertItem(CString::FromUtf8(inspect::DescribeFinding(f)));
    return TRUE;
}
