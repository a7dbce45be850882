// The preview pane: paints a bitmap resource, a bitmap file or a CDib into its client
// area, or a plain colour when it has nothing to show. It owns the CDib it is given.
#pragma once

#include "controls/preview_geometry.h"
#include "platform/cstring.h"
#include "platform/window/controls.h"

#include <functional>
#include <optional>

class CDC;
class CDib;

class CPictureStatic : public CStatic {
public:
    CPictureStatic();
    ~CPictureStatic() override;

    int m_nShowMode;        // 0 colour, 1 resource, 2 file, 3 CDib
    COLORREF m_crBackColor; // show mode 0, when m_bUseBackColor is set
    BOOL m_bUseBackColor;
    UINT m_nBitmapID;         // show mode 1
    LPCTSTR m_lpszBitmapName; // show mode 1; empty means none
    CString m_strBitmapPath;  // show mode 2
    CDib* m_pDib;             // show mode 3; owned
    int m_nSizeMode;          // 1 shrink to fit, 2 stretch, else natural (fit for a CDib)

    // Red 236, green 233, blue 216: what the pane shows when it has nothing to show.
    static constexpr COLORREF kDefaultFaceColor = 0x00D8E9EC;

    // Show mode 3: the picture pixel under the pointer (x from the left, y from the top)
    // while the pointer is over the drawn picture; the magnifier shows its neighbourhood.
    std::optional<CPoint> m_pointer;
    // Show mode 3: the position marked on the picture, if any.
    std::optional<CPoint> m_marker;
    // Told when m_pointer changes, and when the picture is clicked (with the pixel).
    std::function<void()> m_onPointer;
    std::function<void(CPoint)> m_onClick;
    void SetMarker(std::optional<CPoint> marker);

    // Show mode 3: shrunk to fit (the start, and after each new picture), or zoomed and
    // panned. Ctrl+wheel and + and - zoom around the pointer, 0 fits, 1 shows 1:1; a
    // drag, the wheel and the arrow keys pan a picture larger than the pane.
    const PreviewZoom& Zoom() const { return m_zoom; }
    void SetZoom(const PreviewZoom& zoom);
    void ZoomStep(int step, CPoint anchor);
    void ZoomTo(int zoomLog2, CPoint anchor);
    void FitPicture() { SetZoom(PreviewZoom{}); }
    // Told when the zoom or the pan changes.
    std::function<void()> m_onZoom;
    // Where the picture lies in the pane now, if it shows one.
    std::optional<PreviewGeometry> Geometry() const;

protected:
    void OnPaint();
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);

private:
    // Whether the zoomed picture is larger than the pane, so that it can be panned.
    bool Pannable() const;
    void PanBy(std::int64_t dx, std::int64_t dy);
    PreviewZoom m_zoom;
    // A press on a pannable picture: a drag pans, a release where it was pressed clicks.
    bool m_pressed = false;
    bool m_dragging = false;
    CPoint m_pressedAt;
    PreviewZoom m_zoomAtPress;

    // The picture pixel the pane pixel shows, in show mode 3.
    std::optional<CPoint> PictureAt(CPoint pane) const;
    void SetPointer(std::optional<CPoint> pixel, CPoint pane);
    void DrawOverlays(CDC& dc, const RECT& client);
    CPoint m_pointerPane; // where in the pane the pointer last was

    DECLARE_MESSAGE_MAP()
};
