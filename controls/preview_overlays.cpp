#include "controls/preview_overlays.h"

#include "dib/dib.h"
#include "platform/gdi/gdi.h"

#include <algorithm>

namespace {

constexpr COLORREF kGrid = RGB(64, 64, 64);
constexpr COLORREF kFace = RGB(236, 233, 216);
constexpr int kMargin = 4;

// A one-pixel border just inside r.
void Frame(CDC& dc, const RECT& r, COLORREF color) {
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, color);
    FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, color);
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, color);
}

RECT Grown(const RECT& r, int by) {
    return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by};
}

} // namespace

void FillSolid(CDC& dc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    dc.FillRect(&rect, brush);
    DeleteObject(brush);
}

RECT MagnifierRect(const RECT& client, CPoint pointer) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int far = std::max(0, width - kMagnifierSide - kMargin);
    const int low = std::max(0, height - kMagnifierSide - kMargin);
    const int left = client.left + (pointer.x - client.left < width / 2 ? far : kMargin);
    const int top = client.top + (pointer.y - client.top < height / 2 ? low : kMargin);
    return RECT{left, top, left + kMagnifierSide, top + kMagnifierSide};
}

void DrawMagnifier(CDC& dc, CDib& dib, const RECT& area, CPoint centre) {
    FillSolid(dc, area, kFace);
    if (dib.m_pInfo != nullptr) {
        const long long width = dib.m_pInfo->biWidth;
        const long long height = dib.m_pInfo->biHeight < 0
                                     ? -static_cast<long long>(dib.m_pInfo->biHeight)
                                     : dib.m_pInfo->biHeight;
        const long long x0 = std::max<long long>(0, centre.x - kMagnifierReach);
        const long long y0 = std::max<long long>(0, centre.y - kMagnifierReach);
        const long long x1 = std::min<long long>(width, centre.x + kMagnifierReach + 1LL);
        const long long y1 = std::min<long long>(height, centre.y + kMagnifierReach + 1LL);
        if (x0 < x1 && y0 < y1) {
            const auto cells = [](long long n) { return static_cast<int>(n) * kMagnifierCell; };
            const CPoint origin(area.left + cells(x0 - (centre.x - kMagnifierReach)),
                                area.top + cells(y0 - (centre.y - kMagnifierReach)));
            dib.DrawPart(&dc, origin, CSize(cells(x1 - x0), cells(y1 - y0)),
                         RECT{static_cast<LONG>(x0), static_cast<LONG>(y0), static_cast<LONG>(x1),
                              static_cast<LONG>(y1)});
        }
    }
    for (int k = 0; k <= 2 * kMagnifierReach + 1; ++k) {
        const int x = area.left + k * kMagnifierCell;
        const int y = area.top + k * kMagnifierCell;
        FillSolid(dc, RECT{x, area.top, x + 1, area.bottom}, kGrid);
        FillSolid(dc, RECT{area.left, y, area.right, y + 1}, kGrid);
    }
    // The centre cell's outline lies on its grid lines and just outside them, so that
    // every cell keeps at least 8 x 8 pixels of its colour.
    const int c = kMagnifierReach * kMagnifierCell;
    const RECT cell{area.left + c, area.top + c, area.left + c + kMagnifierCell + 1,
                    area.top + c + kMagnifierCell + 1};
    Frame(dc, cell, RGB(255, 255, 255));
    Frame(dc, Grown(cell, 1), RGB(0, 0, 0));
}

void DrawPixelGrid(CDC& dc, const RECT& client, const RECT& dest, int cell) {
    constexpr COLORREF kGridColor = RGB(128, 128, 128);
    const LONG top = std::max<LONG>(0, dest.top), bottom = std::min(client.bottom, dest.bottom);
    const LONG left = std::max<LONG>(0, dest.left), right = std::min(client.right, dest.right);
    // Only the lines inside the pane: a zoomed picture's cells start far outside it.
    const LONG firstX = dest.left < 0 ? dest.left + (-dest.left / cell) * cell : dest.left;
    const LONG firstY = dest.top < 0 ? dest.top + (-dest.top / cell) * cell : dest.top;
    for (LONG x = firstX; x <= dest.right && x < client.right; x += cell)
        FillSolid(dc, RECT{x, top, x + 1, bottom}, kGridColor);
    for (LONG y = firstY; y <= dest.bottom && y < client.bottom; y += cell)
        FillSolid(dc, RECT{left, y, right, y + 1}, kGridColor);
}

void DrawMarker(CDC& dc, const RECT& pixels) {
    Frame(dc, Grown(pixels, 2), RGB(0, 0, 0));
    Frame(dc, Grown(pixels, 3), RGB(255, 255, 255));
}
