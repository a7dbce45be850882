// The checker's findings for one file: its name, how many of each kind, a row each.
#pragma once

#include "inspect/findings.h"
#include "platform/window/cdialog.h"
#include "platform/window/controls.h"

#include <string>
#include <utility>
#include <vector>

class CCheckDlg : public CDialog {
public:
    // nativePath: the file as the file system names it. A finding double-clicked opens
    // the structure view at its offset.
    CCheckDlg(std::string nativePath, std::vector<inspect::Finding> findings,
              CWnd* pParent = nullptr);

    CTreeCtrl m_findings;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // The findings take the room a larger window gives; the button stays centred.
    void OnSize(UINT type, int cx, int cy);
    void OnFindingDoubleClicked(NMHDR* header, LRESULT* result);

    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::pair<int, RECT>> m_placed;
    RECT m_template{};
    std::string m_nativePath;
    std::vector<inspect::Finding> m_list;
};
