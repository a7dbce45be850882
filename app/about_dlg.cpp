#include "app/about_dlg.h"

#include "resources/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
