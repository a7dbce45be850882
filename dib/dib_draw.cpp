// CDib::Draw: the whole picture scaled into a rectangle of a device context.
#include "dib/dib.h"

#include <cstdint>
#include <cstdlib>

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
                    DIB_RGB_COLORS, SRCCOPY, m_nImageSize, m_nInfoSize, CurrentDecoder());
    return TRUE;
}

BOOL CDib::DrawPart(CDC* pDC, CPoint origin, CSize size, const RECT& source) {
    if (m_pInfo == nullptr)
        return FALSE;
    if (m_hPal != nullptr)
        ::SelectPalette(pDC->GetSafeHdc(), m_hPal, TRUE);
    pDC->SetStretchBltMode(COLORONCOLOR);
    // The source rectangle's vertical origin counts from the picture's bottom, except
    // for a top-down picture copied at its own size, where it counts from the top.
    const int srcWidth = source.right - source.left;
    const int srcHeight = source.bottom - source.top;
    const bool stretched = size.cx != srcWidth || size.cy != srcHeight;
    const long long height = std::llabs(static_cast<long long>(m_pInfo->biHeight));
    const long long fromBottom =
        m_pInfo->biHeight < 0 && !stretched ? source.top : height - source.bottom;
    if (fromBottom < INT32_MIN || fromBottom > INT32_MAX)
        return FALSE;
    ::StretchDIBits(pDC->GetSafeHdc(), origin.x, origin.y, size.cx, size.cy, source.left,
                    static_cast<int>(fromBottom), srcWidth, srcHeight, m_pBits,
                    reinterpret_cast<const BITMAPINFO*>(m_pInfo), DIB_RGB_COLORS, SRCCOPY,
                    m_nImageSize, m_nInfoSize, CurrentDecoder());
    return TRUE;
}
