// CDib::Draw: the whole picture scaled into a rectangle of a device context.
#include "dib/dib.h"

BOOL CDib::Draw(CDC* pDC, CPoint origin, CSize size) {
    if (m_pInfo == nullptr)
        return FALSE;
    if (m_hPal != nullptr)
        ::SelectPalette(pDC->GetSafeHdc(), m_hPal, TRUE);
    pDC->SetStretchBltMode(COLORONCOLOR);
    // A top-down picture is drawn upright: its source rectangle is its full height.
    LONG height = m_pInfo->biHeight;
    int srcHeight = height < 0 && height != INT32_MIN ? -height : height;
    ::StretchDIBits(pDC->GetSafeHdc(), origin.x, origin.y, size.cx, size.cy, 0, 0, m_pInfo->biWidth,
                    srcHeight, m_pBits, reinterpret_cast<const BITMAPINFO*>(m_pInfo),
                    DIB_RGB_COLORS, SRCCOPY, m_nImageSize, m_nInfoSize);
    return TRUE;
}
