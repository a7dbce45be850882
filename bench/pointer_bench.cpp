// What one pointer move over a large run-length picture costs: the caption's pixel
// read, and the repaint of the shrunk preview with the magnifier. The stream walk is
// the reference: what every read and every repaint cost before the stream was decoded
// once per load.
#include "bmp/rle.h"
#include "dib/dib.h"
#include "platform/allocator.h"
#include "platform/gdi/gdi.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

constexpr int kSide = 12000;

// A kSide x kSide RLE8 picture of runs from 1 to 17 pixels long, made row by row.
std::unique_ptr<CDib> MakeRlePicture() {
    std::vector<BYTE> stream, row(kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x)
            row[x] = static_cast<BYTE>((x / (1 + y % 17)) * 7 + y);
        std::vector<BYTE> codes = bmp::EncodeRle(row.data(), kSide, 1, false);
        stream.insert(stream.end(), codes.begin(), codes.end() - 2); // its end of bitmap
    }
    stream.push_back(0);
    stream.push_back(1);
    auto dib = std::make_unique<CDib>(CSize(kSide, kSide), 8);
    for (int i = 0; i < dib->m_nColorTableEntries; ++i)
        dib->m_pColorTable[i] =
            RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i * 3), static_cast<BYTE>(i * 7), 0};
    dib->m_pInfo->biCompression = BI_RLE8;
    dib->m_pInfo->biSizeImage = static_cast<DWORD>(stream.size());
    auto* bits = static_cast<BYTE*>(platform::AfxAllocZeroed(stream.size()));
    std::memcpy(bits, stream.data(), stream.size());
    dib->AdoptBits(bits);
    dib->m_nImageSize = static_cast<DWORD>(stream.size());
    dib->MakePalette();
    return dib;
}

CDib& Picture() {
    static std::unique_ptr<CDib> dib = MakeRlePicture();
    return *dib;
}

// Positions a pointer visits, spread over the whole picture.
CPoint Next(CPoint p) {
    return CPoint((p.x + 7919) % kSide, (p.y + 104729) % kSide);
}

void BM_RlePointerReadout(benchmark::State& state) {
    CDib& dib = Picture();
    dib.GetDrawnPixel(0, 0); // the one decoding, at the first read after loading
    CPoint p(0, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dib.GetDrawnPixel(p.x, p.y));
        p = Next(p);
    }
    state.counters["stream_MB"] = dib.m_nImageSize / 1e6;
}
BENCHMARK(BM_RlePointerReadout)->Unit(benchmark::kMicrosecond);

// The preview pane, 600 x 600, as the repaints draw into it.
struct Pane {
    CDC dc;
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 600, 600);
    Pane() {
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(bitmap);
    }
    ~Pane() {
        dc.DeleteDC();
        DeleteObject(bitmap);
    }
};

// One move's repaint: the shrunk picture, then the magnifier's 11 x 11 pixels around p,
// either as the preview draws them or from the stream itself, as before.
void Repaint(benchmark::State& state, bool walkTheStream) {
    CDib& dib = Picture();
    Pane pane;
    HDC dc = pane.dc.GetSafeHdc();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.m_pInfo);
    dib.GetDrawnPixel(0, 0);
    CPoint p(5, 5);
    for (auto _ : state) {
        if (walkTheStream) {
            StretchDIBits(dc, 0, 0, 600, 600, 0, 0, kSide, kSide, dib.m_pBits, info, DIB_RGB_COLORS,
                          SRCCOPY, dib.m_nImageSize, dib.m_nInfoSize);
            StretchDIBits(dc, 0, 0, 110, 110, p.x - 5, kSide - p.y - 6, 11, 11, dib.m_pBits, info,
                          DIB_RGB_COLORS, SRCCOPY, dib.m_nImageSize, dib.m_nInfoSize);
        } else {
            dib.Draw(&pane.dc, CPoint(0, 0), CSize(600, 600));
            dib.DrawPart(&pane.dc, CPoint(0, 0), CSize(110, 110),
                         RECT{p.x - 5, p.y - 5, p.x + 6, p.y + 6});
        }
        p = Next(p);
    }
}

void BM_RlePointerRepaint(benchmark::State& state) {
    Repaint(state, false);
}
BENCHMARK(BM_RlePointerRepaint)->Unit(benchmark::kMillisecond);

void BM_RlePointerRepaintWalkingTheStream(benchmark::State& state) {
    Repaint(state, true);
}
BENCHMARK(BM_RlePointerRepaintWalkingTheStream)->Unit(benchmark::kMillisecond);

void BM_RleStreamWalk(benchmark::State& state) {
    CDib& dib = Picture();
    for (auto _ : state) {
        std::int64_t pixels = 0;
        bmp::DecodeRle(
            bmp::RleStream{dib.m_pBits, dib.m_nImageSize, dib.m_nImageSize, kSide, kSide, 8},
            [&](const bmp::RleRun& run) { pixels += run.n; });
        benchmark::DoNotOptimize(pixels);
    }
}
BENCHMARK(BM_RleStreamWalk)->Unit(benchmark::kMillisecond);

} // namespace
