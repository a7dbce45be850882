// The status bar under the main window: the open file's size, width x height, depth
// and compression, the preview's zoom, the pixel under the pointer, and what the
// checker found in the file (a click there opens the checker).
#include "app/viewer_dlg.h"
#include "bmp/pixel_format.h"
#include "dib/dib.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

void SetPane(CStatusBar& bar, int pane, const std::string& utf8) {
    bar.SetPaneText(pane, CString::FromUtf8(utf8.c_str()));
}

std::string ZoomText(double percent, bool fit) {
    char text[64];
    if (percent >= 10.0)
        std::snprintf(text, sizeof text, "%ld%%", std::lround(percent));
    else // a very large picture fitted: two figures
        std::snprintf(text, sizeof text, "%.2g%%", percent);
    return fit ? std::string("适合窗口 ") + text : std::string(text);
}

} // namespace

void CViewerDlg::ShowStatus() {
    if (m_statusBar.GetSafeHwnd() == nullptr)
        return;
    const BITMAPINFOHEADER* info = m_bOpened ? m_pDib->m_pInfo : nullptr;
    if (info == nullptr) {
        for (int pane = 0; pane < kPaneCount; ++pane)
            SetPane(m_statusBar, pane, "");
        return;
    }
    SetPane(m_statusBar, kPaneSize, std::to_string(m_nFileSize) + " 字节");
    SetPane(m_statusBar, kPaneDimensions,
            std::to_string(info->biWidth) + " × " +
                std::to_string(std::llabs(static_cast<long long>(info->biHeight))));
    SetPane(m_statusBar, kPaneDepth, std::to_string(info->biBitCount) + " 位");
    const char* compression = bmp::CompressionName(info->biCompression, false);
    SetPane(m_statusBar, kPaneCompression,
            compression != nullptr ? compression
                                   : "压缩方式 " + std::to_string(info->biCompression));
    ShowZoomStatus();
    ShowPointerStatus();
    SetPane(m_statusBar, kPaneErrors,
            m_nCheckErrors > 0 ? "检查发现 " + std::to_string(m_nCheckErrors) + " 个错误" : "");
}

void CViewerDlg::ShowZoomStatus() {
    if (m_statusBar.GetSafeHwnd() == nullptr || !m_bOpened || m_pDib->m_pInfo == nullptr)
        return;
    RECT client;
    m_picture.GetClientRect(&client);
    const PreviewZoom& zoom = m_picture.Zoom();
    SetPane(m_statusBar, kPaneZoom,
            ZoomText(ZoomPercent(zoom, *m_pDib->m_pInfo, client), zoom.fit));
}

void CViewerDlg::ShowPointerStatus() {
    if (m_statusBar.GetSafeHwnd() == nullptr)
        return;
    const std::optional<CPoint> at = m_picture.m_pointer;
    SetPane(m_statusBar, kPanePointer,
            at && m_bOpened ? "(" + std::to_string(at->x) + ", " + std::to_string(at->y) + ")"
                            : "");
}
