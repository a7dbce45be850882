// Drawing an 8000 x 6000 picture of each depth into the preview's 345 x 234 pixels.
// The cost should follow the destination, not the picture.
#include "dib/dib.h"
#include "platform/allocator.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<CDib> MakePicture(int bits, DWORD compression = BI_RGB) {
    auto dib = std::make_unique<CDib>(CSize(8000, 6000), bits);
    for (int i = 0; i < dib->m_nColorTableEntries; ++i)
        dib->m_pColorTable[i] =
            RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i * 3), static_cast<BYTE>(i * 7), 0};
    dib->m_pInfo->biCompression = compression;
    dib->AdoptBits(platform::AfxAllocZeroed(dib->m_nImageSize));
    for (DWORD i = 0; i < dib->m_nImageSize; ++i)
        dib->m_pBits[i] = static_cast<BYTE>(i * 2654435761u >> 24);
    dib->MakePalette();
    return dib;
}

void BM_Draw(benchmark::State& state) {
    auto dib = MakePicture(static_cast<int>(state.range(0)));
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
