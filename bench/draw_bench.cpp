// Drawing an 8000 x 6000 picture of each depth into the preview's 345 x 234 pixels.
// The cost should follow the destination, not the picture.
#include "bench_pictures.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Draw(benchmark::State& state) {
    auto dib = MakeBenchPicture(8000, 6000, static_cast<int>(state.range(0)));
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 345, 234);
    dc.SelectObject(bmp);
    for (auto _ : state) {
        dib->Draw(&dc, CPoint(0, 0), CSize(345, 234));
        benchmark::ClobberMemory();
    }
    dc.DeleteDC();
    DeleteObject(bmp);
    state.SetLabel(std::to_string(state.range(0)) + " bits, 8000x6000 into 345x234");
}
BENCHMARK(BM_Draw)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(
    benchmark::kMicrosecond);

} // namespace
