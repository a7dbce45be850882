// Opening files without the open dialog: those named on the command line, at start,
// and those dropped on the window, each as the open command opens its file.
#include "app/viewer_dlg.h"
#include "platform/paths.h"
#include "platform/window/cwinapp.h"
#include "platform/window/drop_files.h"

void CViewerDlg::OnOpenArguments() {
    const std::vector<std::string> files = AfxGetApp()->m_arguments;
    for (const std::string& file : files) {
        if (m_hWnd == nullptr)
            return; // the window went while a message was up
        CloseBitmap();
        OpenBitmapFile(platform::AbsolutePath(file));
    }
}

void CViewerDlg::OnDropFiles(HDROP hDropInfo) {
    const UINT count = DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> files;
    for (UINT i = 0; i < count; ++i)
        files.push_back(platform::DragQueryNativePath(hDropInfo, i));
    DragFinish(hDropInfo);
    for (const std::string& file : files) {
        if (m_hWnd == nullptr)
            return;
        CloseBitmap();
        OpenBitmapFile(file);
    }
}
