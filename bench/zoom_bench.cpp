// The preview's repaint while zoomed into an 8000 x 6000 picture: the part the pane
// shows, the grid from 8 x on, as the pane paints it. At 32 x the pane shows a few
// hundred picture pixels, so the cost should follow the pane, not the picture.
#include "bench_pictures.h"
#include "controls/preview_geometry.h"
#include "controls/preview_overlays.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ZoomedRepaint(benchmark::State& state) {
    const int zoomLog2 = static_cast<int>(state.range(0));
    const int paneWidth = static_cast<int>(state.range(1)), paneHeight = paneWidth * 2 / 3;
    auto dib = MakeBenchPicture(8000, 6000, 24);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, paneWidth, paneHeight);
    dc.SelectObject(bitmap);
    const RECT client{0, 0, paneWidth, paneHeight};
    // Around the picture's middle, where a user zoomed in with the pointer there.
    PreviewZoom zoom = ZoomedTo(PreviewZoom{}, zoomLog2, *dib->m_pInfo, client,
                                CPoint(paneWidth / 2, paneHeight / 2));
    zoom.panX = ScaledLength(4000, zoomLog2) - paneWidth / 2;
    zoom.panY = ScaledLength(3000, zoomLog2) - paneHeight / 2;
    for (auto _ : state) {
        const auto g = PreviewOf(*dib->m_pInfo, client, 0, zoom);
        const RECT& d = g->dest;
        dib->DrawPart(&dc, CPoint(d.left, d.top), CSize(d.right - d.left, d.bottom - d.top),
                      g->source);
        if (zoomLog2 >= kGridZoomLog2)
            DrawPixelGrid(dc, client, d, 1 << zoomLog2);
        benchmark::ClobberMemory();
    }
    dc.DeleteDC();
    DeleteObject(bitmap);
    state.SetLabel(std::to_string(1 << zoomLog2) + "x, 8000x6000 24 bits into " +
                   std::to_string(paneWidth) + "x" + std::to_string(paneHeight));
}
BENCHMARK(BM_ZoomedRepaint)
    ->Args({0, 345})
    ->Args({3, 345})
    ->Args({5, 345})
    ->Args({5, 1200})
    ->Unit(benchmark::kMicrosecond);

} // namespace
