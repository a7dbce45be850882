#include "app/viewer_dlg.h"
#include "platform/window/cwinapp.h"

void CViewerDlg::OnCalculator() {
    ShellExecute(nullptr, "open", "calc.exe", nullptr, nullptr, SW_SHOWNORMAL);
}
