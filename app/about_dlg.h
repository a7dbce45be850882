// The About box, reached from the system menu.
#pragma once

#include "platform/window/cdialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
