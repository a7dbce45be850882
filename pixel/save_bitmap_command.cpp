// Saving the changed bitmap at 16 bits per pixel. The conversion comes first and
// stays; the file replaces its target only when Write has succeeded.
#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"
#include "dib/save_rules.h"
#include "platform/common_dialogs.h"
#include "platform/progress.h"
#include "platform/replacing_file.h"

void CViewerDlg::OnSaveBitmap() {
    if (!m_bOpened) {
        AfxMessageBox(CString::FromUtf8(kOpenBitmapFirstMessage), 0);
        return;
    }
    // A file that would not read back as the picture is not written, and the picture
    // is not converted.
    if (const std::string why = SaveRefusal(*m_pDib, SaveAs::Rgb555); !why.empty()) {
        AfxMessageBox(CString::FromUtf8(why + "；" + kNothingWrittenMessage), 0);
        return;
    }
    const CSize size(m_pDib->m_pInfo->biWidth, m_pDib->m_pInfo->biHeight);
    // Any depth converts by its true colours; a 5-5-5 picture stays as it is, so a
    // second save writes the same file. Stopped by the user, the picture stays as it
    // was and nothing is asked or written.
    try {
        platform::ProgressScope progress("正在转换为16位位图……", true);
        m_pDib->ConvertTo555();
    } catch (const platform::WorkCancelled&) {
        return;
    }
    m_pDib->ResetHeader(size, 16);

    CFileDialog dlg(FALSE, "bmp", "*.bmp", OFN_CREATEPROMPT,
                    CString::FromUtf8("(位图文件)*.bmp|*.bmp||"));
    if (dlg.DoModal() != IDOK)
        return;
    const CString path = dlg.GetPathName();

    CReplacingFile file;
    if (!file.Open(platform::NativePath(path).c_str(),
                   CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive))
        return;
    BOOL ok = FALSE;
    try {
        platform::ProgressScope progress("正在保存位图……", true);
        ok = m_pDib->Write(&file);
    } catch (const platform::WorkCancelled&) {
        file.Abort(); // a file it would have replaced keeps what it had
        return;
    }
    if (ok && !file.Commit()) {
        AfxMessageBox("write error", 0);
        ok = FALSE;
    }
    if (!ok)
        file.Abort();
    if (ok) {
        m_bModified = FALSE;
        ShowFileState();
    }
    AfxMessageBox(CString::FromUtf8(ok ? "保存完毕!" : "保存文件失败!"), 0);
}
