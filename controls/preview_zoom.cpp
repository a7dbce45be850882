// Zooming and panning the preview: Ctrl+wheel and the keys zoom around the pointer, a
// drag, the wheel and the arrow keys pan.
#include "controls/picture_static.h"

#include "dib/dib.h"

void CPictureStatic::SetZoom(const PreviewZoom& zoom) {
    if (m_pDib == nullptr || m_pDib->m_pInfo == nullptr) {
        m_zoom = PreviewZoom{};
        return;
    }
    RECT client;
    GetClientRect(&client);
    const PreviewZoom next =
        ClampedPan(zoom, m_pDib->m_pInfo->biWidth,
                   std::llabs(static_cast<long long>(m_pDib->m_pInfo->biHeight)), client);
    if (next.fit == m_zoom.fit && next.zoomLog2 == m_zoom.zoomLog2 && next.panX == m_zoom.panX &&
        next.panY == m_zoom.panY)
        return;
    m_zoom = next;
    Invalidate(TRUE);
    // The pixel under a pointer that stayed put is another one now.
    SetPointer(m_pointer ? PictureAt(m_pointerPane) : std::nullopt, m_pointerPane);
    if (m_onZoom)
        m_onZoom();
}

void CPictureStatic::ZoomStep(int step, CPoint anchor) {
    if (m_nShowMode != 3 || m_nSizeMode == 2 || m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return;
    RECT client;
    GetClientRect(&client);
    SetZoom(Zoomed(m_zoom, step, *m_pDib->m_pInfo, client, anchor));
}

void CPictureStatic::ZoomTo(int zoomLog2, CPoint anchor) {
    if (m_nShowMode != 3 || m_nSizeMode == 2 || m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return;
    RECT client;
    GetClientRect(&client);
    SetZoom(ZoomedTo(m_zoom, zoomLog2, *m_pDib->m_pInfo, client, anchor));
}

bool CPictureStatic::Pannable() const {
    if (m_zoom.fit || m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return false;
    RECT client;
    GetClientRect(&client);
    return ScaledLength(m_pDib->m_pInfo->biWidth, m_zoom.zoomLog2) > client.right ||
           ScaledLength(std::llabs(static_cast<long long>(m_pDib->m_pInfo->biHeight)),
                        m_zoom.zoomLog2) > client.bottom;
}

void CPictureStatic::PanBy(std::int64_t dx, std::int64_t dy) {
    PreviewZoom z = m_zoom;
    z.panX += dx;
    z.panY += dy;
    SetZoom(z);
}

BOOL CPictureStatic::OnMouseWheel(UINT flags, short delta, CPoint point) {
    if (m_nShowMode != 3 || delta == 0)
        return FALSE;
    if ((flags & MK_CONTROL) != 0) {
        ZoomStep(delta > 0 ? 1 : -1, point);
        return TRUE;
    }
    if (!Pannable())
        return FALSE;
    // A notch pans a tenth of the pane; Shift pans sideways.
    RECT client;
    GetClientRect(&client);
    const std::int64_t notches = -delta;
    if ((flags & MK_SHIFT) != 0)
        PanBy(notches * client.right / 10 / WHEEL_DELTA, 0);
    else
        PanBy(0, notches * client.bottom / 10 / WHEEL_DELTA);
    return TRUE;
}

void CPictureStatic::OnKeyDown(UINT key, UINT /*repeat*/, UINT /*flags*/) {
    RECT client;
    GetClientRect(&client);
    // Around the pointer while it is over the pane, else around the pane's centre.
    const bool inside = m_pointerPane.x >= 0 && m_pointerPane.y >= 0 &&
                        m_pointerPane.x < client.right && m_pointerPane.y < client.bottom;
    const CPoint anchor = inside ? m_pointerPane : CPoint(client.right / 2, client.bottom / 2);
    switch (key) {
    case VK_OEM_PLUS:
    case VK_ADD:
        return ZoomStep(1, anchor);
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        return ZoomStep(-1, anchor);
    case '0':
        return FitPicture();
    case '1':
        return ZoomTo(0, anchor);
    case VK_LEFT:
        return PanBy(-client.right / 10, 0);
    case VK_RIGHT:
        return PanBy(client.right / 10, 0);
    case VK_UP:
        return PanBy(0, -client.bottom / 10);
    case VK_DOWN:
        return PanBy(0, client.bottom / 10);
    default:
        return;
    }
}
