// "工具" -> "结构视图": the open file, or one chosen in the open dialog (a file the open
// command refuses too), explained byte by byte in a window of its own.
#include "tools/structure_view_command.h"

#include "app/viewer_dlg.h"
#include "platform/common_dialogs.h"
#include "structure/bmp_structure_model.h"

#include <filesystem>

namespace {

std::unique_ptr<platform::window::StructureModel> Model(const std::string& nativePath) {
    const std::string name = std::filesystem::path(nativePath).filename().string();
    std::string error;
    auto model = structure::OpenBmpStructure(nativePath, name, error);
    if (model == nullptr)
        AfxMessageBox(CString::FromUtf8(error));
    return model;
}

} // namespace

void OpenStructureView(const std::string& nativePath) {
    if (auto model = Model(nativePath))
        platform::window::ShowStructureView(std::move(model));
}

int RunStructureViewOf(const std::string& nativePath) {
    auto model = Model(nativePath);
    return model != nullptr ? platform::window::RunStructureView(std::move(model)) : 1;
}

void CViewerDlg::OnStructureView() {
    if (m_bOpened && !m_nativePath.empty()) {
        OpenStructureView(m_nativePath);
        return;
    }
    CFileDialog dlg(TRUE, "bmp", "*.bmp", OFN_FILEMUSTEXIST,
                    CString::FromUtf8("(位图文件)*.bmp|*.bmp|(所有文件)*|*||"));
    if (dlg.DoModal() == IDOK)
        OpenStructureView(dlg.GetNativePathName());
}
