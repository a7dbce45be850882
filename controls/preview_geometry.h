// Where the preview shows a picture, and which picture pixel each pane pixel shows,
// exactly as the drawing code samples it, so that the pointer can aim at one pixel.
#pragma once

#include "platform/geometry.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <optional>

struct PreviewGeometry {
    std::int64_t width = 0, height = 0; // the picture; height's magnitude
    CSize drawn;                        // the rectangle at the pane's origin it fills
};

// Nothing when the picture has no pixels or the pane no room. sizeMode as the pane's.
std::optional<PreviewGeometry> PreviewOf(const BITMAPINFOHEADER& header, const RECT& client,
                                         int sizeMode);
// The picture pixel (x from the left, y from the top) the pane pixel shows; nothing
// outside the drawn picture.
std::optional<CPoint> PicturePointAt(const PreviewGeometry& g, CPoint pane);
// The pane pixels that show a picture pixel; where shrinking dropped it, the one that
// shows its nearest neighbour.
RECT PaneRectOf(const PreviewGeometry& g, CPoint picture);
