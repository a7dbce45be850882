// The preview pane: paints a bitmap resource, a bitmap file or a CDib into its client
// area, or a plain colour when it has nothing to show. It owns the CDib it is given.
#pragma once

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

protected:
    void OnPaint();
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    void OnLButtonDown(UINT flags, CPoint point);

private:
    // The picture pixel the pane pixel shows, in show mode 3.
    std::optional<CPoint> PictureAt(CPoint pane) const;
    void SetPointer(std::optional<CPoint> pixel, CPoint pane);
    void DrawOverlays(CDC& dc, const RECT& client);
    CPoint m_pointerPane; // where in the pane the pointer last was

    DECLARE_MESSAGE_MAP()
};
