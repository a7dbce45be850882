// The usage help dialog.
#pragma once

#include "platform/window/cdialog.h"

class CUsageDlg : public CDialog {
public:
    explicit CUsageDlg(CWnd* pParent = nullptr);
};
