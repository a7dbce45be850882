// "工具" -> "结构视图": the open file, or one chosen in the open dialog (a file the open
// command refuses too), explained byte by byte in a window of its own.
#include "tools/structure_view_command.h"

#include "app/viewer_dlg.h"
#include "platform/common_dialogs.h"
#include "platform/mapped_file.h"
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

} // namespace

void OpenStructureView(const std::string& nativePath) {
    if (auto model = Model(nativePath))
        views::ShowStructureView(std::move(model));
}

int CViewerDlg::RunStructureView(const std::string& nativePath) {
    auto model = Model(nativePath);
    return model != nullptr ? views::RunStructureView(std::move(model)) : 1;
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
