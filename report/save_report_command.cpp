// Saving the report buffer as a text file: all of it, line feeds written as CR LF as
// Windows text mode writes them. The file replaces its target only once complete.
#include "app/viewer_dlg.h"
#include "platform/common_dialogs.h"
#include "platform/replacing_file.h"
#include "platform/text_mode.h"

void CViewerDlg::OnSaveReport() {
    if (!m_bOpened) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    CFileDialog dlg(FALSE, "txt", "*.txt", OFN_CREATEPROMPT,
                    CString::FromUtf8("(文本文件)*.txt|*.txt||"));
    if (dlg.DoModal() != IDOK)
        return;
    const CString path = dlg.GetPathName();

    CReplacingFile file;
    if (!file.Open(platform::NativePath(path).c_str(), CFile::modeCreate | CFile::modeReadWrite)) {
        AfxMessageBox(CString::FromUtf8("保存文件失败,无法打开!"), 0);
        return;
    }
    const std::string bytes =
        platform::TextModeBytes(m_pReport, static_cast<std::size_t>(m_nReportSize));
    bool written = false;
    try {
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        written = file.Commit() != FALSE;
    } catch (CFileException* e) {
        e->Delete();
    }
    if (!written)
        file.Abort();
    AfxMessageBox(CString::FromUtf8(written ? "保存完毕!" : "保存文件失败!"), 0);
}
