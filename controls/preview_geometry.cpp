#include "controls/preview_geometry.h"

#include "controls/shrink_to_fit.h"
#include "platform/gdi/nearest_map.h"

#include <cstdlib>
#include <limits>
#include <utility>

using platform::gdi::Axis;
using platform::gdi::NearestSource;

namespace {

// The destination run [lo, hi) whose pixels show source pixel i, or the single pixel
// showing the nearest one.
std::pair<int, int> DestinationRun(std::int64_t i, std::int64_t source, int dest, Axis axis) {
    int lo = -1, hi = -1, nearest = 0;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int j = 0; j < dest; ++j) {
        const std::int64_t s = NearestSource(j, source, dest, axis);
        if (s == i) {
            if (lo < 0)
                lo = j;
            hi = j + 1;
        }
        const std::int64_t distance = s > i ? s - i : i - s;
        if (distance < best) {
            best = distance;
            nearest = j;
        }
    }
    return lo >= 0 ? std::pair{lo, hi} : std::pair{nearest, nearest + 1};
}

} // namespace

std::optional<PreviewGeometry> PreviewOf(const BITMAPINFOHEADER& header, const RECT& client,
                                         int sizeMode) {
    const std::int64_t width = header.biWidth;
    const std::int64_t height = std::llabs(static_cast<long long>(header.biHeight));
    if (width <= 0 || height <= 0 || client.right <= 0 || client.bottom <= 0)
        return std::nullopt;
    PreviewGeometry g;
    g.width = width;
    g.height = height;
    g.drawn = sizeMode == 2 ? CSize(client.right, client.bottom)
                            : ShrinkToFit(static_cast<int>(width), static_cast<int>(height),
                                          client.right, client.bottom);
    if (g.drawn.cx <= 0 || g.drawn.cy <= 0)
        return std::nullopt;
    return g;
}

std::optional<CPoint> PicturePointAt(const PreviewGeometry& g, CPoint pane) {
    if (pane.x < 0 || pane.y < 0 || pane.x >= g.drawn.cx || pane.y >= g.drawn.cy)
        return std::nullopt;
    return CPoint(static_cast<int>(NearestSource(pane.x, g.width, g.drawn.cx, Axis::Columns)),
                  static_cast<int>(NearestSource(pane.y, g.height, g.drawn.cy, Axis::Rows)));
}

RECT PaneRectOf(const PreviewGeometry& g, CPoint picture) {
    const auto [left, right] = DestinationRun(picture.x, g.width, g.drawn.cx, Axis::Columns);
    const auto [top, bottom] = DestinationRun(picture.y, g.height, g.drawn.cy, Axis::Rows);
    return RECT{left, top, right, bottom};
}
