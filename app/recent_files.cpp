// 文件 → 最近打开的文件: the last eight files opened, newest first, kept in the user's
// config folder between runs. A file that is gone is taken off the list with a word.
#include "app/recent_list.h"
#include "app/viewer_dlg.h"
#include "platform/codepage.h"
#include "platform/window/cwinapp.h"

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* kSection = "Recent File List";
static_assert(kRecentCount == ID_FILE_RECENT_LAST - ID_FILE_RECENT_FIRST + 1);

std::vector<std::string> RecentFiles() {
    return ReadRecentList(kSection);
}

void KeepRecentFiles(const std::vector<std::string>& files) {
    WriteRecentList(kSection, files);
}

} // namespace

void CViewerDlg::AddRecentFile(const std::string& nativePath) {
    PutFirstInRecentList(kSection, nativePath);
    ShowRecentFiles();
}

void CViewerDlg::ShowRecentFiles() {
    CMenu* bar = GetMenu();
    CMenu* fileMenu = bar != nullptr ? bar->GetSubMenu(0) : nullptr;
    if (fileMenu == nullptr)
        return;
    if (m_pRecentMenu == nullptr) // just after 打开位图文件, where a user looks for it
        m_pRecentMenu = fileMenu->InsertPopup(1, CString::FromUtf8("最近打开的文件"));
    if (m_pRecentMenu == nullptr)
        return;
    while (m_pRecentMenu->GetMenuItemCount() > 0)
        m_pRecentMenu->DeleteMenu(0, MF_BYPOSITION);
    const std::vector<std::string> files = RecentFiles();
    if (files.empty()) {
        m_pRecentMenu->AppendMenu(MF_STRING | MF_GRAYED, 0, CString::FromUtf8("（无）"));
        return;
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        m_pRecentMenu->AppendMenu(
            MF_STRING, ID_FILE_RECENT_FIRST + i,
            CString(platform::Utf8ToGb18030(std::to_string(i + 1) + " " + files[i])));
}

void CViewerDlg::OnRecentFile(UINT id) {
    std::vector<std::string> files = RecentFiles();
    const std::size_t index = id - ID_FILE_RECENT_FIRST;
    if (index >= files.size())
        return;
    const std::string path = files[index];
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        files.erase(files.begin() + static_cast<std::ptrdiff_t>(index));
        KeepRecentFiles(files);
        ShowRecentFiles();
        AfxMessageBox(
            CString(platform::Utf8ToGb18030(path + " 已不存在，已从最近打开的文件中去掉。")));
        return;
    }
    CloseBitmap();
    OpenBitmapFile(path);
}
