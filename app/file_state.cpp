// What the caption says of the open file: its name, and a "*" while a written pixel is
// unsaved; the status bar the rest. Message boxes keep the application's title.
#include "app/viewer_dlg.h"
#include "platform/codepage.h"

#include <filesystem>

void CViewerDlg::ShowFileState() {
    ShowStatus();
    if (!m_bOpened || m_nativePath.empty()) {
        SetWindowText(CString::FromUtf8("Pixscope"));
        return;
    }
    const std::string name = std::filesystem::path(m_nativePath).filename().string();
    SetWindowText(
        CString(platform::Utf8ToGb18030((m_bModified ? "*" : "") + name + " — Pixscope")));
}

bool CViewerDlg::MayEnd() {
    return !m_bModified || AfxMessageBox(CString::FromUtf8("位图已修改，尚未保存。仍要退出吗？"),
                                         MB_YESNO | MB_ICONQUESTION) == IDYES;
}
