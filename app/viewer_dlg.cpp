#include "app/viewer_dlg.h"

#include "app/about_dlg.h"
#include "app/viewer_app.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/resources.h"
#include "platform/window/drop_files.h"
#include "platform/window/paint_dc.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_COMMAND(ID_FILE_OPEN_BITMAP, OnOpenBitmap)
ON_COMMAND(IDC_SAVE_REPORT, OnSaveReport)
ON_COMMAND(ID_FILE_SAVE_BITMAP, OnSaveBitmap)
ON_COMMAND(IDC_READ_PIXEL, OnReadPixel)
ON_COMMAND(IDC_MODIFY_PIXEL, OnModifyPixel)
ON_COMMAND(IDC_COPY_REPORT, OnCopyReport)
ON_COMMAND(IDC_CHOOSE_COLOR, OnChooseColor)
ON_COMMAND(ID_FILE_EXIT, OnExit)
ON_COMMAND(ID_HELP_USAGE, OnUsage)
ON_COMMAND(ID_OPTIONS_CLEAR_CACHE, OnClearCache)
ON_COMMAND(ID_OPTIONS_CALCULATOR, OnCalculator)
ON_COMMAND(ID_TOOLS_CHECK_BITMAP, OnCheckBitmap)
ON_COMMAND(ID_TOOLS_PIXEL_LOCATION, OnPixelLocation)
ON_COMMAND(ID_TOOLS_STRUCTURE_VIEW, OnStructureView)
ON_COMMAND(ID_TOOLS_COMPARE_BITMAPS, OnCompareBitmaps)
ON_COMMAND(ID_FILE_OPEN_ARGUMENTS, OnOpenArguments)
ON_COMMAND_RANGE(ID_FILE_RECENT_FIRST, ID_FILE_RECENT_LAST, OnRecentFile)
ON_WM_DROPFILES()
ON_WM_SIZE()
END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(CWnd* pParent)
    : CDialog(IDD_PIXSCOPE_DIALOG, pParent), m_nB(0), m_nG(0), m_nR(0), m_nS(0), m_nX(0),
      m_nY(0), m_pixel{} {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    m_pDib = new CDib;
    m_pReport = nullptr;
    m_nReportLen = 0;
    m_nReportSize = 15480;
    m_bOpened = FALSE;
    m_pReport =
        static_cast<char*>(platform::AfxAllocZeroed(static_cast<std::size_t>(m_nReportSize)));
    std::memset(m_pReport, 0, static_cast<std::size_t>(m_nReportSize));
}

CViewerDlg::~CViewerDlg() {
    // Until an open hands the bitmap to the preview, which then owns it, it is ours.
    if (m_picture.m_pDib != m_pDib)
        delete m_pDib;
}

void CViewerDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GROUP_PIXEL, m_grpPixel);
    DDX_Control(pDX, IDC_COLOR, m_editColor);
    DDX_Control(pDX, IDC_PICTURE, m_picture);
    DDX_Control(pDX, IDC_TREE, m_tree);
    DDX_Text(pDX, IDC_EDIT_B, m_nB);
    DDV_MinMaxByte(pDX, m_nB, 0, 255);
    DDX_Text(pDX, IDC_EDIT_G, m_nG);
    DDV_MinMaxByte(pDX, m_nG, 0, 255);
    DDX_Text(pDX, IDC_EDIT_R, m_nR);
    DDV_MinMaxByte(pDX, m_nR, 0, 255);
    DDX_Text(pDX, IDC_EDIT_S, m_nS);
    DDV_MinMaxByte(pDX, m_nS, 0, 255);
    DDX_Text(pDX, IDC_EDIT_X, m_nX);
    DDX_Text(pDX, IDC_EDIT_Y, m_nY);
}

BOOL CViewerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        char about[256];
        LoadString(AfxGetResourceHandle(), IDS_ABOUTBOX, about, sizeof about);
        if (about[0] != '\0') {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_picture.m_onPointer = [this] { OnPreviewPointer(); };
    m_picture.m_onClick = [this](CPoint pixel) { OnPreviewClick(pixel); };
    m_picture.m_onZoom = [this] { ShowZoomStatus(); };

    // It opens at the template's size and layout, and the user may make it larger.
    RememberLayout();
    ModifyStyle(0, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    std::vector<UINT> panes(kPaneCount, 0);
    panes[kPaneErrors] = ID_TOOLS_CHECK_BITMAP;
    m_statusBar.Create(this, panes);
    ShowRecentFiles();
    DragAcceptFiles(m_hWnd, TRUE);
    // Files named on the command line open once the window is up, so that their
    // messages come over it.
    if (!AfxGetApp()->m_arguments.empty())
        PostMessage(WM_COMMAND, ID_FILE_OPEN_ARGUMENTS);
    return TRUE;
}

void CViewerDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CViewerDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        const int x = (rect.right - rect.left - cxIcon + 1) / 2;
        const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
    }
}

HCURSOR CViewerDlg::OnQueryDragIcon() {
    return m_hIcon;
}

BOOL CViewerDlg::DestroyWindow() {
    if (m_pReport != nullptr) {
        platform::AfxFreeBlock(m_pReport);
        m_pReport = nullptr;
    }
    return CDialog::DestroyWindow();
}

void CViewerDlg::OnExit() {
    if (MayEnd())
        DestroyWindow();
}

// Enter, Esc and the close box end the program as they always have, unless a written
// pixel would be lost and the user stays.
void CViewerDlg::OnOK() {
    if (MayEnd())
        CDialog::OnOK();
}

void CViewerDlg::OnCancel() {
    if (MayEnd())
        CDialog::OnCancel();
}
