#include "tools/check_dlg.h"

#include "inspect/describe.h"
#include "platform/codepage.h"
#include "resources/resource.h"
#include "tools/structure_view_command.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CCheckDlg, CDialog)
ON_WM_SIZE()
ON_NOTIFY(NM_DBLCLK, IDC_CHECK_FINDINGS, OnFindingDoubleClicked)
END_MESSAGE_MAP()

CCheckDlg::CCheckDlg(std::string nativePath, std::vector<inspect::Finding> findings, CWnd* pParent)
    : CDialog(IDD_CHECK_BITMAP, pParent), m_nativePath(std::move(nativePath)),
      m_list(std::move(findings)) {}

void CCheckDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHECK_FINDINGS, m_findings);
}

BOOL CCheckDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    GetDlgItem(IDC_CHECK_FILE)
        ->SetWindowText(CString::FromUtf8("文件：") +
                        CString(platform::Utf8ToGb18030(m_nativePath)));
    GetDlgItem(IDC_CHECK_SUMMARY)
        ->SetWindowText(CString::FromUtf8(inspect::SummariseFindings(m_list)));
    int widest = 0;
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        HTREEITEM item =
            m_findings.InsertItem(CString::FromUtf8(inspect::DescribeFinding(m_list[i])));
        m_findings.SetItemData(item, i);
        RECT text;
        if (m_findings.GetItemRect(item, &text, TRUE))
            widest = std::max(widest, static_cast<int>(text.right));
    }
    // It can be sized, and it starts wide enough for its longest finding, as far as the
    // screen has room.
    for (int id : {IDC_CHECK_FILE, IDC_CHECK_SUMMARY, IDC_CHECK_FINDINGS, IDOK}) {
        RECT r;
        GetDlgItem(id)->GetWindowRect(&r);
        ScreenToClient(&r);
        m_placed.push_back({id, r});
    }
    GetClientRect(&m_template);
    ModifyStyle(0, WS_THICKFRAME | WS_MAXIMIZEBOX);
    RECT list, window, screen;
    m_findings.GetClientRect(&list);
    GetWindowRect(&window);
    const int more = widest + 8 - static_cast<int>(list.right);
    if (more > 0 && SystemParametersInfo(SPI_GETWORKAREA, 0, &screen, 0)) {
        const int width = std::min(static_cast<int>(window.right - window.left) + more,
                                   static_cast<int>(screen.right - screen.left) * 9 / 10);
        const int left = std::max(static_cast<int>(screen.left),
                                  static_cast<int>(window.left) -
                                      (width - static_cast<int>(window.right - window.left)) / 2);
        MoveWindow(left, window.top, width, window.bottom - window.top);
    }
    return TRUE;
}

void CCheckDlg::OnSize(UINT /*type*/, int cx, int cy) {
    const int dx = std::max(0, cx - static_cast<int>(m_template.right));
    const int dy = std::max(0, cy - static_cast<int>(m_template.bottom));
    for (const auto& [id, r] : m_placed) {
        CWnd* control = GetDlgItem(id);
        if (control == nullptr)
            continue;
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (id == IDOK) // stays in the middle of the bottom edge
            control->MoveWindow(r.left + dx / 2, r.top + dy, w, h);
        else if (id == IDC_CHECK_FINDINGS)
            control->MoveWindow(r.left, r.top, w + dx, h + dy);
        else
            control->MoveWindow(r.left, r.top, w + dx, h);
    }
}

void CCheckDlg::OnFindingDoubleClicked(NMHDR* /*header*/, LRESULT* result) {
    *result = 0;
    const HTREEITEM item = m_findings.GetSelectedItem();
    if (item == nullptr || m_nativePath.empty())
        return;
    const DWORD_PTR i = m_findings.GetItemData(item);
    if (i < m_list.size())
        OpenStructureView(m_nativePath, {m_list[i].offset, std::nullopt});
}
