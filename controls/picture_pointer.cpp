// The pointer over the preview: which picture pixel it is on, the magnifier that shows
// that pixel's neighbourhood, a click on it, and the marker of the current position.
#include "controls/picture_static.h"

#include "controls/preview_geometry.h"
#include "controls/preview_overlays.h"
#include "dib/dib.h"

std::optional<CPoint> CPictureStatic::PictureAt(CPoint pane) const {
    if (m_nShowMode != 3 || m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return std::nullopt;
    RECT client;
    GetClientRect(&client);
    const auto g = PreviewOf(*m_pDib->m_pInfo, client, m_nSizeMode);
    return g ? PicturePointAt(*g, pane) : std::nullopt;
}

void CPictureStatic::SetPointer(std::optional<CPoint> pixel, CPoint pane) {
    RECT client;
    GetClientRect(&client);
    // The magnifier moves when the pointer crosses into its corner's half of the pane.
    const RECT now = MagnifierRect(client, pane);
    const RECT before = MagnifierRect(client, m_pointerPane);
    const bool moved = pixel.has_value() && (now.left != before.left || now.top != before.top);
    m_pointerPane = pane;
    const bool changed = pixel.has_value() != m_pointer.has_value() ||
                         (pixel && (pixel->x != m_pointer->x || pixel->y != m_pointer->y));
    if (!changed && !moved)
        return;
    m_pointer = pixel;
    Invalidate(TRUE);
    if (changed && m_onPointer)
        m_onPointer();
}

void CPictureStatic::OnMouseMove(UINT /*flags*/, CPoint point) {
    SetPointer(PictureAt(point), point);
}

void CPictureStatic::OnMouseLeave() {
    SetPointer(std::nullopt, m_pointerPane);
}

void CPictureStatic::OnLButtonDown(UINT /*flags*/, CPoint point) {
    const std::optional<CPoint> pixel = PictureAt(point);
    SetPointer(pixel, point);
    if (pixel && m_onClick)
        m_onClick(*pixel);
}

void CPictureStatic::SetMarker(std::optional<CPoint> marker) {
    m_marker = marker;
    Invalidate(TRUE);
}

void CPictureStatic::DrawOverlays(CDC& dc, const RECT& client) {
    if (m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return;
    const auto g = PreviewOf(*m_pDib->m_pInfo, client, m_nSizeMode);
    if (!g)
        return;
    if (m_marker && m_marker->x >= 0 && m_marker->y >= 0 && m_marker->x < g->width &&
        m_marker->y < g->height)
        DrawMarker(dc, PaneRectOf(*g, *m_marker));
    if (m_pointer)
        DrawMagnifier(dc, *m_pDib, MagnifierRect(client, m_pointerPane), *m_pointer);
}
