// Where the preview shows a picture, and which picture pixel each pane pixel shows,
// exactly as the drawing code samples it, so that the pointer can aim at one pixel.
// The picture is shrunk to fit, or zoomed by a power of two and panned.
#pragma once

#include "platform/geometry.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <optional>

// How the pane shows its picture. fit: shrunk to fit, never enlarged. Otherwise scaled
// by 2^zoomLog2, and the pane's top-left pixel shows the scaled picture's pixel pan.
struct PreviewZoom {
    bool fit = true;
    int zoomLog2 = 0;
    std::int64_t panX = 0, panY = 0;
};

inline constexpr int kMaxZoomLog2 = 5; // 32 x
inline constexpr int kMinZoomLog2 = -16;
inline constexpr int kGridZoomLog2 = 3; // a grid between pixels from 8 x

struct PreviewGeometry {
    std::int64_t width = 0, height = 0; // the picture; height's magnitude
    RECT source{};                      // the picture pixels drawn, y from the top
    RECT dest{};                        // where they are drawn; may start outside the pane
};

// Nothing when the picture has no pixels or the pane no room. sizeMode as the pane's.
std::optional<PreviewGeometry> PreviewOf(const BITMAPINFOHEADER& header, const RECT& client,
                                         int sizeMode, const PreviewZoom& zoom = {});
// The picture pixel (x from the left, y from the top) the pane pixel shows; nothing
// outside the drawn picture.
std::optional<CPoint> PicturePointAt(const PreviewGeometry& g, CPoint pane);
// The pane pixels that show a picture pixel; where shrinking dropped it, the one that
// shows its nearest neighbour.
RECT PaneRectOf(const PreviewGeometry& g, CPoint picture);

// The scaled picture's size at a zoom, and the pan kept inside it for the pane.
std::int64_t ScaledLength(std::int64_t length, int zoomLog2);
PreviewZoom ClampedPan(PreviewZoom zoom, std::int64_t width, std::int64_t height,
                       const RECT& client);
// The zoom one step in (+1) or out (-1) from zoom, keeping the picture point under the
// pane point anchor where it is: from "fit" in to the first power of two that shows
// the picture larger, out to "fit" once a step would show it no larger than fit does.
PreviewZoom Zoomed(const PreviewZoom& zoom, int step, const BITMAPINFOHEADER& header,
                   const RECT& client, CPoint anchor);
// zoomLog2 itself, around anchor (1:1 for 0).
PreviewZoom ZoomedTo(const PreviewZoom& zoom, int zoomLog2, const BITMAPINFOHEADER& header,
                     const RECT& client, CPoint anchor);
// The shown scale as a percentage, for the status bar; fit's is what fitting gives.
double ZoomPercent(const PreviewZoom& zoom, const BITMAPINFOHEADER& header, const RECT& client);
