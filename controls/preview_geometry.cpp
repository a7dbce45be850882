#include "controls/preview_geometry.h"

#include "controls/shrink_to_fit.h"
#include "platform/gdi/nearest_map.h"

#include <algorithm>
#include <cmath>
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

// One axis of a zoomed view: the picture pixels [first, last) the pane's length shows
// from pan on, and where in the pane they start and end.
struct Span {
    std::int64_t first = 0, last = 0;
    std::int64_t from = 0, to = 0;
};

Span ZoomedSpan(std::int64_t length, int zoomLog2, std::int64_t pan, std::int64_t pane) {
    Span s;
    if (zoomLog2 >= 0) {
        const std::int64_t m = std::int64_t{1} << zoomLog2;
        s.first = std::min(length, pan / m);
        s.last = std::min(length, (pan + pane + m - 1) / m);
        s.from = s.first * m - pan;
        s.to = s.from + (s.last - s.first) * m;
    } else {
        const std::int64_t d = std::int64_t{1} << -zoomLog2;
        s.first = std::min(length, pan * d);
        s.last = std::min(length, s.first + pane * d);
        s.from = 0;
        s.to = (s.last - s.first + d - 1) / d;
    }
    return s;
}

std::int64_t Magnitude(LONG height) {
    return std::llabs(static_cast<long long>(height));
}

// The fitted picture's scale, below or at 1.
double FitScale(const BITMAPINFOHEADER& header, const RECT& client) {
    const std::int64_t width = header.biWidth, height = Magnitude(header.biHeight);
    if (width <= 0 || height <= 0 || client.right <= 0 || client.bottom <= 0)
        return 1.0;
    const CSize fit =
        ShrinkToFit(static_cast<int>(width), static_cast<int>(height), client.right, client.bottom);
    return std::min(1.0, static_cast<double>(fit.cx) / static_cast<double>(width));
}

double Scale(int zoomLog2) {
    return std::ldexp(1.0, zoomLog2);
}

} // namespace

std::int64_t ScaledLength(std::int64_t length, int zoomLog2) {
    if (zoomLog2 >= 0)
        return length << zoomLog2;
    const std::int64_t d = std::int64_t{1} << -zoomLog2;
    return (length + d - 1) / d;
}

PreviewZoom ClampedPan(PreviewZoom zoom, std::int64_t width, std::int64_t height,
                       const RECT& client) {
    if (zoom.fit) {
        zoom.panX = zoom.panY = 0;
        return zoom;
    }
    const std::int64_t maxX =
        std::max<std::int64_t>(0, ScaledLength(width, zoom.zoomLog2) - client.right);
    const std::int64_t maxY =
        std::max<std::int64_t>(0, ScaledLength(height, zoom.zoomLog2) - client.bottom);
    zoom.panX = std::clamp<std::int64_t>(zoom.panX, 0, maxX);
    zoom.panY = std::clamp<std::int64_t>(zoom.panY, 0, maxY);
    return zoom;
}

std::optional<PreviewGeometry> PreviewOf(const BITMAPINFOHEADER& header, const RECT& client,
                                         int sizeMode, const PreviewZoom& zoom) {
    const std::int64_t width = header.biWidth;
    const std::int64_t height = Magnitude(header.biHeight);
    if (width <= 0 || height <= 0 || client.right <= 0 || client.bottom <= 0)
        return std::nullopt;
    PreviewGeometry g;
    g.width = width;
    g.height = height;
    if (zoom.fit || sizeMode == 2) {
        const CSize drawn = sizeMode == 2
                                ? CSize(client.right, client.bottom)
                                : ShrinkToFit(static_cast<int>(width), static_cast<int>(height),
                                              client.right, client.bottom);
        if (drawn.cx <= 0 || drawn.cy <= 0)
            return std::nullopt;
        g.source = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        g.dest = RECT{0, 0, drawn.cx, drawn.cy};
        return g;
    }
    const PreviewZoom z = ClampedPan(zoom, width, height, client);
    const Span x = ZoomedSpan(width, z.zoomLog2, z.panX, client.right);
    const Span y = ZoomedSpan(height, z.zoomLog2, z.panY, client.bottom);
    if (x.last <= x.first || y.last <= y.first)
        return std::nullopt;
    g.source = RECT{static_cast<LONG>(x.first), static_cast<LONG>(y.first),
                    static_cast<LONG>(x.last), static_cast<LONG>(y.last)};
    g.dest = RECT{static_cast<LONG>(x.from), static_cast<LONG>(y.from), static_cast<LONG>(x.to),
                  static_cast<LONG>(y.to)};
    return g;
}

std::optional<CPoint> PicturePointAt(const PreviewGeometry& g, CPoint pane) {
    if (pane.x < std::max<LONG>(0, g.dest.left) || pane.y < std::max<LONG>(0, g.dest.top) ||
        pane.x >= g.dest.right || pane.y >= g.dest.bottom)
        return std::nullopt;
    const std::int64_t columns = g.source.right - g.source.left;
    const std::int64_t rows = g.source.bottom - g.source.top;
    return CPoint(
        static_cast<int>(g.source.left + NearestSource(pane.x - g.dest.left, columns,
                                                       g.dest.right - g.dest.left, Axis::Columns)),
        static_cast<int>(g.source.top + NearestSource(pane.y - g.dest.top, rows,
                                                      g.dest.bottom - g.dest.top, Axis::Rows)));
}

RECT PaneRectOf(const PreviewGeometry& g, CPoint picture) {
    const auto [left, right] =
        DestinationRun(picture.x - g.source.left, g.source.right - g.source.left,
                       g.dest.right - g.dest.left, Axis::Columns);
    const auto [top, bottom] =
        DestinationRun(picture.y - g.source.top, g.source.bottom - g.source.top,
                       g.dest.bottom - g.dest.top, Axis::Rows);
    return RECT{g.dest.left + left, g.dest.top + top, g.dest.left + right, g.dest.top + bottom};
}

PreviewZoom ZoomedTo(const PreviewZoom& zoom, int zoomLog2, const BITMAPINFOHEADER& header,
                     const RECT& client, CPoint anchor) {
    const std::int64_t width = header.biWidth, height = Magnitude(header.biHeight);
    if (width <= 0 || height <= 0 || client.right <= 0 || client.bottom <= 0)
        return zoom;
    // The picture point under the anchor, before and after.
    const double before = zoom.fit ? FitScale(header, client) : Scale(zoom.zoomLog2);
    const double u = (static_cast<double>(zoom.panX) + anchor.x) / before;
    const double v = (static_cast<double>(zoom.panY) + anchor.y) / before;
    PreviewZoom next;
    next.fit = false;
    next.zoomLog2 = std::clamp(zoomLog2, kMinZoomLog2, kMaxZoomLog2);
    const double after = Scale(next.zoomLog2);
    next.panX = static_cast<std::int64_t>(std::floor(u * after)) - anchor.x;
    next.panY = static_cast<std::int64_t>(std::floor(v * after)) - anchor.y;
    return ClampedPan(next, width, height, client);
}

PreviewZoom Zoomed(const PreviewZoom& zoom, int step, const BITMAPINFOHEADER& header,
                   const RECT& client, CPoint anchor) {
    const double fit = FitScale(header, client);
    if (step > 0) {
        int k = zoom.fit ? kMinZoomLog2 : zoom.zoomLog2 + 1;
        while (k < kMaxZoomLog2 && Scale(k) <= fit)
            ++k;
        if (!zoom.fit && zoom.zoomLog2 >= kMaxZoomLog2)
            return zoom;
        return ZoomedTo(zoom, k, header, client, anchor);
    }
    if (step < 0 && !zoom.fit) {
        if (Scale(zoom.zoomLog2 - 1) <= fit)
            return PreviewZoom{};
        return ZoomedTo(zoom, zoom.zoomLog2 - 1, header, client, anchor);
    }
    return zoom;
}

double ZoomPercent(const PreviewZoom& zoom, const BITMAPINFOHEADER& header, const RECT& client) {
    return 100.0 * (zoom.fit ? FitScale(header, client) : Scale(zoom.zoomLog2));
}
