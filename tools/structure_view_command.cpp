// "工具" -> "结构视图": the open file, or one chosen in the open dialog (a file the open
// command refuses too), explained byte by byte in a window of its own.
#include "tools/structure_view_command.h"

#include "app/recent_list.h"
#include "app/viewer_dlg.h"
#include "platform/common_dialogs.h"
#include "platform/mapped_file.h"
#include "platform/window/cwinapp.h"
#include "resources/resource.h"
#include "structure/bmp_structure_model.h"
#include "views/structure_window.h"

#include <cstring>
#include <filesystem>
#include <new>

namespace {

// The file mapped, and its structure: the mapping goes with the model.
std::unique_ptr<structure::StructureModel> Model(const std::string& nativePath) {
    const std::string name = std::filesystem::path(nativePath).filename().string();
    auto file = std::make_shared<platform::MappedFile>(nativePath);
    if (file->Error() != 0) {
        AfxMessageBox(CString::FromUtf8("无法读取“" + name + "”：" + std::strerror(file->Error())));
        return nullptr;
    }
    try {
        const auto bytes = file->Bytes();
        return structure::BmpStructureOf(bytes, name, std::move(file));
    } catch (const std::bad_alloc&) {
        AfxMessageBox(CString::FromUtf8("内存不足，无法读取“" + name + "”"));
        return nullptr;
    }
}

constexpr const char* kRecentSection = "Recent Structure Views";

std::string ChooseFile() {
    CFileDialog dlg(TRUE, "bmp", "*.bmp", OFN_FILEMUSTEXIST,
                    CString::FromUtf8("(位图文件)*.bmp|*.bmp|(所有文件)*|*||"));
    return dlg.DoModal() == IDOK ? dlg.GetNativePathName() : std::string();
}

// A file's model for a view, remembered among the views' recent files.
std::unique_ptr<structure::StructureModel> Opened(const std::string& nativePath) {
    auto model = Model(nativePath);
    if (model != nullptr)
        PutFirstInRecentList(kRecentSection, nativePath);
    return model;
}

// Once, before the first view: how a view opens files itself.
void SetUpHost() {
    static const bool done = [] {
        views::SetStructureViewHost(views::StructureViewHost{
            ChooseFile, Opened, [] { return ReadRecentList(kRecentSection); },
            AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr});
        return true;
    }();
    (void)done;
}

} // namespace

std::unique_ptr<structure::StructureModel> OpenStructureModel(const std::string& nativePath) {
    SetUpHost();
    return Opened(nativePath);
}

std::string ChooseStructureFile() {
    return ChooseFile();
}

void OpenStructureView(const std::string& nativePath, views::StructureViewStart start) {
    SetUpHost();
    if (auto model = Opened(nativePath))
        views::ShowStructureView(std::move(model), start);
}

int CViewerDlg::RunStructureView(const std::string& nativePath) {
    SetUpHost();
    auto model = Opened(nativePath);
    return model != nullptr ? views::RunStructureView(std::move(model)) : 1;
}

void CViewerDlg::OnStructureView() {
    if (m_bOpened && !m_nativePath.empty()) {
        OpenStructureView(m_nativePath);
        return;
    }
    if (const std::string path = ChooseFile(); !path.empty())
        OpenStructureView(path);
}
