// The checker's findings for one file: its name, how many of each kind, a row each.
#pragma once

#include "inspect/findings.h"
#include "platform/window/cdialog.h"
#include "platform/window/controls.h"

#include <utility>
#include <vector>

class CCheckDlg : public CDialog {
public:
    // path: the file's name as the report shows it (code page 936).
    CCheckDlg(const CString& path, std::vector<inspect::Finding> findings, CWnd* pParent = nullptr);

    CTreeCtrl m_findings;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // The findings take the room a larger window gives; the button stays centred.
    void OnSize(UINT type, int cx, int cy);

    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::pair<int, RECT>> m_placed;
    RECT m_template{};
    CString m_path;
    std::vector<inspect::Finding> m_list;
};
