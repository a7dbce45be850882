// Opening a bitmap: load it, show it and its pixel at (X, Y), and report it into the
// buffer and the tree. A section's tree items go in before its lines are appended, so
// a full buffer cuts the buffer inside a section the tree holds whole.
#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"
#include "inspect/check_bitmap.h"
#include "platform/codepage.h"
#include "platform/common_dialogs.h"
#include "platform/mapped_file.h"
#include "platform/progress.h"
#include "report/bitmap_report.h"
#include "tools/structure_view_command.h"

#include <algorithm>

namespace {

// The steps after the file node and line 1, by 1-based report line numbers.
struct ReportStep {
    enum Kind { Group, Items, Append } kind;
    int first, last;
};
constexpr ReportStep kSteps[] = {
    {ReportStep::Group, 2, 2},   {ReportStep::Items, 3, 7},    {ReportStep::Append, 2, 7},
    {ReportStep::Group, 8, 8},   {ReportStep::Items, 9, 13},   {ReportStep::Append, 8, 13},
    {ReportStep::Group, 14, 14}, {ReportStep::Items, 15, 19},  {ReportStep::Append, 14, 19},
    {ReportStep::Items, 20, 25}, {ReportStep::Append, 20, 25}, {ReportStep::Group, 26, 26},
    {ReportStep::Items, 27, 33}, {ReportStep::Append, 26, 33},
};

// The errors the checker finds in a file that opened: a broken file that opens anyway
// says so in the status bar.
int CheckErrors(const std::string& nativePath) {
    platform::MappedFile file(nativePath);
    if (file.Error() != 0)
        return 0;
    const std::vector<inspect::Finding> findings = inspect::CheckBitmap(file.Bytes());
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& f) {
        return f.severity == inspect::Severity::Error;
    }));
}

} // namespace

void CViewerDlg::CloseBitmap() {
    if (m_bOpened)
        m_pDib->Empty();
    m_bOpened = FALSE;
    m_bModified = FALSE;
    m_nativePath.clear();
    m_nCheckErrors = 0;
    m_nFileSize = 0;
    m_picture.FitPicture();
    ShowFileState();
    m_picture.SetMarker(std::nullopt);
    m_picture.m_pointer.reset(); // until the pointer moves over the next picture
    OnPreviewPointer();
    m_picture.Invalidate(TRUE);
}

void CViewerDlg::ExplainRefusal(const std::string& nativePath, const bmp::Refusal& why) {
    // After the open command's own words, why, in the user's: and the view that reads it.
    const std::string reason = why.message.empty() ? "这个文件不是打开命令能读的位图" : why.message;
    if (AfxMessageBox(CString::FromUtf8(reason + "。\n\n用结构视图打开它吗？"),
                      MB_YESNO | MB_ICONQUESTION) == IDYES)
        OpenStructureView(nativePath);
}

void CViewerDlg::OnOpenBitmap() {
    CloseBitmap();
    // The listing starts with .bmp files; the other entries reach .dib files and files
    // without an extension.
    CFileDialog dlg(
        TRUE, "bmp", "*.bmp", OFN_FILEMUSTEXIST,
        CString::FromUtf8(
            "(位图文件)*.bmp|*.bmp|位图文件 (*.bmp *.dib)|*.bmp;*.dib|所有文件 (*)|*||"));
    if (dlg.DoModal() != IDOK)
        return;
    OpenBitmapFile(dlg.GetNativePathName());
}

void CViewerDlg::OpenBitmapFile(const std::string& nativePath) {
    // The report names the file as pixscope-cli does: bytes that are not UTF-8 show as
    // replacement characters, while the file itself is opened by its exact name.
    const CString strPath(platform::Utf8ToGb18030(nativePath));

    CFile file;
    if (!file.Open(nativePath.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        AfxMessageBox("Can't Read Files!!");
        return;
    }
    BOOL read = FALSE;
    try {
        platform::ProgressScope progress("正在打开位图……", true);
        read = m_pDib->Read(&file);
    } catch (const platform::WorkCancelled&) {
        m_pDib->Empty(); // stopped: as a file never chosen
        return;
    }
    if (!read) {
        m_pDib->Empty();
        AfxMessageBox("Read Error!!");
        ExplainRefusal(nativePath, m_pDib->GetRefusal());
        return;
    }

    if (!m_pDib->IsEmpty()) {
        m_bOpened = TRUE;
        m_nativePath = nativePath;
        m_nFileSize = static_cast<unsigned long long>(file.GetLength());
        m_nCheckErrors = CheckErrors(nativePath);
        m_picture.FitPicture();
        AddRecentFile(nativePath);
        ShowFileState();
        m_picture.m_pDib = m_pDib;
        m_picture.m_nShowMode = 3;
        m_picture.Invalidate(TRUE);
        UpdateData(TRUE);
        // Only a position inside the new picture is read; elsewhere the fields, the
        // caption and the swatch keep what they showed.
        if (PixelPositionAccepted(*m_pDib->m_pInfo, m_nX, m_nY))
            ShowPixelValue(m_pDib->GetDrawnPixel(m_nX, m_nY)); // ends with UpdateData(FALSE)
        else
            UpdateData(FALSE);
    }

    if (m_pDib->m_pInfo == nullptr)
        return; // a successful read always leaves a header; nothing to report without one
    const BitmapReport report =
        ComposeReport(strPath, ReportFileStatus(file), m_pDib->m_fileHeader, *m_pDib->m_pInfo);
    const auto line = [&report](int number) -> const ReportLine& {
        return report.lines[static_cast<size_t>(number - 1)];
    };
    HTREEITEM fileNode = m_tree.InsertItem(report.fileLabel, 0, 0);
    if (!AppendReport(line(1).text, m_nReportSize))
        return;
    HTREEITEM group = nullptr;
    for (const ReportStep& step : kSteps) {
        for (int n = step.first; n <= step.last; ++n) {
            switch (step.kind) {
            case ReportStep::Group:
                group = m_tree.InsertItem(line(n).treeText, line(n).image, line(n).image, fileNode);
                break;
            case ReportStep::Items:
                m_tree.InsertItem(line(n).treeText, group);
                break;
            case ReportStep::Append:
                if (!AppendReport(line(n).text, m_nReportSize))
                    return;
                break;
            }
        }
    }
}
