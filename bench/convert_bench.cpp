// ConvertTo555 of a 24-bit 8000 x 6000 picture (144 MB), in bytes of input per second,
// beside a plain memcpy of the same bytes.
#include "dib/dib.h"
#include "platform/allocator.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 8000, kHeight = 6000;
constexpr size_t kBytes = size_t{kWidth} * 3 * kHeight;

std::vector<BYTE>& Source() {
    static std::vector<BYTE> bytes = [] {
        std::vector<BYTE> b(kBytes);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<BYTE>(i * 2654435761u >> 24);
        return b;
    }();
    return bytes;
}

void BM_ConvertTo555(benchmark::State& state) {
    CDib dib;
    for (auto _ : state) {
        // Setting up a fresh 24-bit picture (and freeing the last one) is not timed.
        state.PauseTiming();
        dib.CreateBlank(CSize(kWidth, kHeight), 24);
        dib.AdoptBits(platform::AfxAllocZeroed(dib.m_nImageSize));
        std::memcpy(dib.m_pBits, Source().data(), kBytes);
        state.ResumeTiming();
        dib.ConvertTo555();
        benchmark::DoNotOptimize(dib.m_pBits);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kBytes));
}
BENCHMARK(BM_ConvertTo555)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpySameBytes(benchmark::State& state) {
    auto* out = static_cast<BYTE*>(platform::AfxAllocZeroed(kBytes));
    std::memcpy(out, Source().data(), kBytes); // fault the pages in once
    for (auto _ : state) {
        std::memcpy(out, Source().data(), kBytes);
        benchmark::ClobberMemory();
    }
    platform::AfxFreeBlock(out);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kBytes));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
