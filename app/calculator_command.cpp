#include "app/viewer_dlg.h"
#include "platform/window/cwinapp.h"

void CViewerDlg::OnCalculator() {
    const auto started = reinterpret_cast<std::intptr_t>(
        ShellExecute(nullptr, "open", "calc.exe", nullptr, nullptr, SW_SHOWNORMAL));
    if (started > 32)
        return;
    // Where no calculator is installed the command would do nothing at all.
    std::string tried;
    for (const std::string& name : DesktopCalculators())
        tried += (tried.empty() ? "" : "、") + name;
    AfxMessageBox(
        CString::FromUtf8(("没有能启动的计算器。试过：" + tried + "。请安装其中一个。").c_str()));
}
