// What the preview draws over the picture: the magnifier that follows the pointer, the
// marker of the current position and the grid of a zoomed picture.
#pragma once

#include "platform/cdc.h"
#include "platform/geometry.h"

class CDib;

void FillSolid(CDC& dc, const RECT& rect, COLORREF color);

// Pixels on each side of the centre, and screen pixels per picture pixel with the grid.
inline constexpr int kMagnifierReach = 5;
inline constexpr int kMagnifierCell = 10;
inline constexpr int kMagnifierSide = (2 * kMagnifierReach + 1) * kMagnifierCell + 1;

// Where the magnifier goes in the pane: the corner farthest from the pointer.
RECT MagnifierRect(const RECT& client, CPoint pointer);
// The neighbourhood of picture pixel centre, enlarged into area (of kMagnifierSide
// square), one cell a pixel with a grid between them and the centre cell outlined;
// cells outside the picture are left in the face colour.
void DrawMagnifier(CDC& dc, CDib& dib, const RECT& area, CPoint centre);
// Lines between the picture's pixels where they are drawn cell pane pixels apart, from
// dest's corner on, within client.
void DrawPixelGrid(CDC& dc, const RECT& client, const RECT& dest, int cell);
// A square mark around the pane pixels that show the current position.
void DrawMarker(CDC& dc, const RECT& pixels);
