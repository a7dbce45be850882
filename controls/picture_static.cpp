#include "controls/picture_static.h"

#include "controls/preview_overlays.h"
#include "controls/shrink_to_fit.h"
#include "dib/dib.h"
#include "platform/resources.h"
#include "platform/window/paint_dc.h"

#include <cstdlib>

namespace {

// Copies a device bitmap onto the pane by the sizing rule; a bitmap that could not be
// loaded paints the face colour.
void BlitBitmap(CDC& dc, const RECT& client, HBITMAP bitmap, int sizeMode) {
    BITMAP info{};
    if (bitmap == nullptr || GetObject(bitmap, sizeof info, &info) == 0) {
        FillSolid(dc, client, CPictureStatic::kDefaultFaceColor);
        return;
    }
    const int w = info.bmWidth;
    const int h = info.bmHeight;
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    HGDIOBJ previous = memory.SelectObject(bitmap);
    if (sizeMode == 1) {
        if (client.right > 0 && client.bottom > 0) {
            const CSize fit = ShrinkToFit(w, h, client.right, client.bottom);
            StretchBlt(dc, client.left, client.top, fit.cx, fit.cy, memory, 0, 0, w, h, SRCCOPY);
        }
    } else if (sizeMode == 2) {
        StretchBlt(dc, client.left, client.top, client.right, client.bottom, memory, 0, 0, w, h,
                   SRCCOPY);
    } else {
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    }
    memory.SelectObject(previous);
    memory.DeleteDC();
}

} // namespace

BEGIN_MESSAGE_MAP(CPictureStatic, CStatic)
ON_WM_PAINT()
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEWHEEL()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

CPictureStatic::CPictureStatic()
    : m_nShowMode(0), m_crBackColor(kDefaultFaceColor), m_bUseBackColor(FALSE), m_nBitmapID(0),
      m_lpszBitmapName(""), m_pDib(nullptr), m_nSizeMode(0) {}

CPictureStatic::~CPictureStatic() {
    if (m_pDib != nullptr) {
        delete m_pDib;
        m_pDib = nullptr;
    }
}

void CPictureStatic::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);

    switch (m_nShowMode) {
    case 1: {
        const bool byName = m_lpszBitmapName != nullptr && m_lpszBitmapName[0] != '\0';
        if (!byName && m_nBitmapID == 0) {
            MessageBox(CString::FromUtf8("没有指定要显示的位图ID或者资源名!"));
            m_nShowMode = 0;
            FillSolid(dc, client, kDefaultFaceColor);
            return;
        }
        HBITMAP bitmap = LoadBitmap(AfxGetResourceHandle(),
                                    byName ? m_lpszBitmapName : MAKEINTRESOURCE(m_nBitmapID));
        BlitBitmap(dc, client, bitmap, m_nSizeMode);
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        return;
    }
    case 2: {
        if (m_strBitmapPath.IsEmpty()) {
            MessageBox(CString::FromUtf8("没有指定要显示的位图路径!"));
            m_nShowMode = 0;
            FillSolid(dc, client, kDefaultFaceColor);
            return;
        }
        auto bitmap = static_cast<HBITMAP>(
            LoadImage(nullptr, m_strBitmapPath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        BlitBitmap(dc, client, bitmap, m_nSizeMode);
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        return;
    }
    case 3: {
        if (m_pDib == nullptr || m_pDib->IsEmpty() || m_pDib->m_pInfo == nullptr) {
            FillSolid(dc, client, kDefaultFaceColor);
            return;
        }
        if (client.right <= 0 || client.bottom <= 0)
            return; // nothing to paint into
        const int w = m_pDib->m_pInfo->biWidth;
        // A top-down picture is scaled by its height's magnitude and drawn upright.
        const int h = static_cast<int>(std::abs(static_cast<long long>(m_pDib->m_pInfo->biHeight)));
        if (m_nSizeMode == 2) {
            m_pDib->Draw(&dc, CPoint(client.left, client.top), CSize(client.right, client.bottom));
            DrawOverlays(dc, client);
            return;
        }
        if (!m_zoom.fit) {
            // Only the pixels the pane shows are drawn, whatever the zoom.
            FillSolid(dc, client, kDefaultFaceColor);
            if (const auto g = Geometry()) {
                const RECT& d = g->dest;
                m_pDib->DrawPart(&dc, CPoint(d.left, d.top),
                                 CSize(d.right - d.left, d.bottom - d.top), g->source);
            }
            DrawOverlays(dc, client);
            return;
        }
        const CSize fit = ShrinkToFit(w, h, client.right, client.bottom);
        m_pDib->Draw(&dc, CPoint(client.left, client.top), fit);
        DrawOverlays(dc, client);
        return;
    }
    default:
        FillSolid(dc, client, m_bUseBackColor ? m_crBackColor : kDefaultFaceColor);
        return;
    }
}
