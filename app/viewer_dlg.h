// The main dialog: the preview, the pixel fields and swatch, the report tree and the
// commands of the menu and buttons. The handlers of the report and pixel commands
// live in report/ and pixel/, one file per command.
#pragma once

#include "controls/color_edit.h"
#include "controls/picture_static.h"
#include "platform/interaction.h"
#include "platform/window/cdialog.h"
#include "platform/window/controls.h"
#include "resources/resource.h"

#include <string>
#include <vector>

class CDib;
namespace bmp {
struct Refusal;
}

// What the commands that need a bitmap answer while none is loaded (UTF-8).
inline constexpr const char* kOpenBitmapFirstMessage = "请先打开BMP图片o(╯□╰)o";

class CViewerDlg : public CDialog {
public:
    explicit CViewerDlg(CWnd* pParent = nullptr);
    ~CViewerDlg() override;
    BOOL DestroyWindow() override;
    // Appends one report line to the buffer whole, or shows that the buffer is full.
    BOOL AppendReport(const CString& line, int capacity);

    CButton m_grpPixel;
    CColorEdit m_editColor;
    CPictureStatic m_picture;
    CTreeCtrl m_tree;
    BYTE m_nB;
    BYTE m_nG;
    BYTE m_nR;
    BYTE m_nS;
    int m_nX;
    int m_nY;

    HICON m_hIcon;
    CDib* m_pDib;
    char* m_pReport;
    int m_nReportLen;
    int m_nReportSize;
    BOOL m_bOpened;
    RGBQUAD m_pixel;
    // The open file's name as the file system has it (empty while none is open), for the
    // tools that read its bytes again.
    std::string m_nativePath;
    // A pixel was written and the picture not saved since.
    BOOL m_bModified = FALSE;
    // The open file's errors, as the checker counts them; the status bar says so.
    int m_nCheckErrors = 0;
    // The open file's size when it was read.
    unsigned long long m_nFileSize = 0;
    CStatusBar m_statusBar;
    // The panes of the status bar, in order.
    enum StatusPane {
        kPaneSize,
        kPaneDimensions,
        kPaneDepth,
        kPaneCompression,
        kPaneZoom,
        kPanePointer,
        kPaneErrors,
        kPaneCount
    };

    // The structure view as the whole program (pixscope --structure FILE): the program's
    // exit code once its window is closed.
    static int RunStructureView(const std::string& nativePath);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnOpenBitmap();
    // What the open command does before its dialog: the picture shown goes.
    void CloseBitmap();
    void OnSaveReport();
    void OnSaveBitmap();
    void OnReadPixel();
    void OnModifyPixel();
    void OnCopyReport();
    void OnChooseColor();
    void OnExit();
    void OnOK() override;
    void OnCancel() override;
    void OnUsage();
    void OnClearCache();
    void OnCalculator();
    void OnCheckBitmap();
    void OnPixelLocation();
    void OnStructureView();
    void OnCompareBitmaps();
    void OnDropFiles(HDROP hDropInfo);
    void OnOpenArguments();

    // The open command after its dialog: loads the file the system names nativePath and
    // shows and reports it, with the open command's messages.
    void OpenBitmapFile(const std::string& nativePath);
    // The pointer over the preview: its pixel in the preview's caption, and a click
    // reads it into the fields.
    void OnPreviewPointer();
    void OnPreviewClick(CPoint pixel);

    // The caption and the status bar: the open file's name (with a "*" while it is
    // modified), its size and format, the zoom and the pointer's pixel.
    void ShowFileState();
    void ShowStatus();
    void ShowZoomStatus();
    void ShowPointerStatus();
    // After a refused open's own messages: why, and an offer of the structure view.
    void ExplainRefusal(const std::string& nativePath, const bmp::Refusal& why);
    // Whether the program may end: yes, unless a written pixel is unsaved and the user
    // says no.
    bool MayEnd();

    // The window's controls as the template placed them, and their places once the
    // window is resized.
    void RememberLayout();
    void OnSize(UINT type, int cx, int cy);
    struct Placed {
        HWND hwnd;
        RECT at;
    };
    std::vector<Placed> m_layout;
    CSize m_templateSize;

    // 文件 → 最近打开的文件: the last files opened, newest first, kept between runs.
    void AddRecentFile(const std::string& nativePath);
    void ShowRecentFiles();
    void OnRecentFile(UINT id);
    CMenu* m_pRecentMenu = nullptr;

    // Shows a pixel value in the fields, the group box's caption and the swatch.
    void ShowPixelValue(RGBQUAD value);
    void SetPixelCaption();

    DECLARE_MESSAGE_MAP()
};
