// The pointer over the preview: which picture pixel it is on, the magnifier that shows
// that pixel's neighbourhood, a click on it, and the marker of the current position.
#include "controls/picture_static.h"

#include "controls/preview_geometry.h"
#include "controls/preview_overlays.h"
#include "dib/dib.h"

#include <cstdlib>

namespace {
// How far the pointer may move between press and release for a click, not a drag.
constexpr int kClickSlop = 3;
} // namespace

std::optional<PreviewGeometry> CPictureStatic::Geometry() const {
    if (m_nShowMode != 3 || m_pDib == nullptr || m_pDib->m_pInfo == nullptr)
        return std::nullopt;
    RECT client;
    GetClientRect(&client);
    return PreviewOf(*m_pDib->m_pInfo, client, m_nSizeMode, m_zoom);
}

std::optional<CPoint> CPictureStatic::PictureAt(CPoint pane) const {
    const auto g = Geometry();
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

void CPictureStatic::OnMouseMove(UINT flags, CPoint point) {
    if (m_pressed && (flags & MK_LBUTTON) != 0) {
        const int dx = point.x - m_pressedAt.x, dy = point.y - m_pressedAt.y;
        if (std::abs(dx) > kClickSlop || std::abs(dy) > kClickSlop)
            m_dragging = true;
        if (m_dragging) {
            PreviewZoom z = m_zoomAtPress;
            z.panX -= dx;
            z.panY -= dy;
            SetZoom(z);
        }
    }
    SetPointer(PictureAt(point), point);
}

void CPictureStatic::OnMouseLeave() {
    SetPointer(std::nullopt, m_pointerPane);
}

void CPictureStatic::OnLButtonDown(UINT /*flags*/, CPoint point) {
    const std::optional<CPoint> pixel = PictureAt(point);
    SetPointer(pixel, point);
    if (Pannable()) {
        // Click or drag: the release tells.
        m_pressed = true;
        m_dragging = false;
        m_pressedAt = point;
        m_zoomAtPress = m_zoom;
        return;
    }
    if (pixel && m_onClick)
        m_onClick(*pixel);
}

void CPictureStatic::OnLButtonUp(UINT /*flags*/, CPoint point) {
    const bool click = m_pressed && !m_dragging;
    m_pressed = m_dragging = false;
    if (!click)
        return;
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
    const auto g = Geometry();
    if (!g)
        return;
    if (!m_zoom.fit && m_zoom.zoomLog2 >= kGridZoomLog2)
        DrawPixelGrid(dc, client, g->dest, 1 << m_zoom.zoomLog2);
    if (m_marker && m_marker->x >= g->source.left && m_marker->y >= g->source.top &&
        m_marker->x < g->source.right && m_marker->y < g->source.bottom)
        DrawMarker(dc, PaneRectOf(*g, *m_marker));
    if (m_pointer)
        DrawMagnifier(dc, *m_pDib, MagnifierRect(client, m_pointerPane), *m_pointer);
}
