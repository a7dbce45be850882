// The preview pane: paints a bitmap resource, a bitmap file or a CDib into its client
// area, or a plain colour when it has nothing to show. It owns the CDib it is given.
#pragma once

#include "platform/cstring.h"
#include "platform/window/controls.h"

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

protected:
    void OnPaint();
    DECLARE_MESSAGE_MAP()
};
