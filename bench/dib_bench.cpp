// CDib::Read from the page cache, GetPixel, Write, and the report's composition.
#include "bench_pictures.h"
#include "report/bitmap_report.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void BM_Read(benchmark::State& state) {
    int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::string path = BenchPictureFile(w, h, 24);
    CDib dib;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        CFile f(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
        dib.Read(&f);
        bytes += static_cast<std::int64_t>(f.GetLength());
    }
    state.SetBytesProcessed(bytes);
}
// About 1 MB, and 144 MB (8000 x 6000 at 24 bits).
BENCHMARK(BM_Read)
    ->Args({600, 580})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ComposeReport(benchmark::State& state) {
    auto dib = MakeBenchPicture(64, 64, 8);
    CFileStatus status;
    for (auto _ : state) {
        BitmapReport r = ComposeReport("/home/user/pictures/sample.bmp", status, dib->m_fileHeader,
                                       *dib->m_pInfo);
        benchmark::DoNotOptimize(r.lines.data());
    }
}
BENCHMARK(BM_ComposeReport)->Unit(benchmark::kMicrosecond);

void BM_GetPixel(benchmark::State& state) {
    auto dib = MakeBenchPicture(8000, 6000, static_cast<int>(state.range(0)));
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dib->GetPixel(x, y));
        x = (x + 7919) % 8000;
        y = (y + 104729) % 6000;
    }
}
BENCHMARK(BM_GetPixel)->Arg(8)->Arg(24);

void BM_Write(benchmark::State& state) {
    auto dib = MakeBenchPicture(8000, 6000, 24);
    std::string path = BenchPictureFile(8000, 6000, 24) + ".out";
    for (auto _ : state) {
        CFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        dib->Write(&out);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * dib->m_nImageSize);
}
// Into a file in the page cache, as the save command writes.
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
