// Checking a file against its own bytes: the open file, or, when none is open, one the
// user chooses, so that a file the open command refuses can be explained.
#include "app/viewer_dlg.h"
#include "dib/pixel_rules.h"
#include "inspect/check_bitmap.h"
#include "platform/common_dialogs.h"
#include "platform/mapped_file.h"
#include "platform/progress.h"
#include "tools/check_dlg.h"

void CViewerDlg::OnCheckBitmap() {
    std::string path = m_nativePath;
    if (!m_bOpened) {
        CFileDialog dlg(TRUE, "bmp", "*.bmp", OFN_FILEMUSTEXIST,
                        CString::FromUtf8("(位图文件)*.bmp|*.bmp|(所有文件)*|*||"));
        if (dlg.DoModal() != IDOK)
            return;
        path = dlg.GetNativePathName();
    }
    // The file as it is on disk now, which is what a reader the user debugs would get.
    platform::MappedFile file(path);
    if (file.Error() != 0) {
        AfxMessageBox("Can't Read Files!!");
        return;
    }
    std::vector<inspect::Finding> findings;
    {
        platform::ProgressScope progress("正在检查位图……", false);
        findings = inspect::CheckBitmap(file.Bytes());
    }
    if (file.Changed()) {
        AfxMessageBox(CString::FromUtf8(kFileChangedMessage));
        return;
    }
    CCheckDlg dlg(path, std::move(findings), this);
    dlg.DoModal();
}
