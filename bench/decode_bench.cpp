// Every pixel of an 8000 x 6000 picture decoded at each depth: through the structure
// view's decoder, which the structure picture asks for every pixel on screen, and
// through the pointer readout's read of one pixel. The rate is of the picture's stored
// bytes, so depths compare by what a reader of the file gets through.
#include "bench_pictures.h"
#include "bmp/decoder.h"
#include "bmp/rle.h"
#include "platform/cmemfile.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 8000, kHeight = 6000;

enum Kind {
    kBits1 = 1,
    kBits4 = 4,
    kBits8 = 8,
    kBits16 = 16,
    kBits24 = 24,
    kBits32 = 32,
    kRle8 = 108,
    kMasked16 = 116,
    kMasked32 = 132
};

int DepthOf(int kind) {
    return kind == kRle8 ? 8 : kind == kMasked16 ? 16 : kind == kMasked32 ? 32 : kind;
}

// The picture as a file in memory, and loaded as the open command loads it.
struct Picture {
    std::vector<std::uint8_t> file;
    std::unique_ptr<CDib> dib;
};

void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    std::memcpy(v.data() + at, &x, 4);
}

const Picture& Make(int kind) {
    // Kept to the end: the allocator that holds their blocks goes at exit.
    static auto& made = *new std::map<int, Picture>;
    auto found = made.find(kind);
    if (found != made.end())
        return found->second;
    Picture& p = made[kind];
    p.dib = MakeBenchPicture(kWidth, kHeight, DepthOf(kind));
    CDib& dib = *p.dib;
    std::vector<std::uint8_t> pixels(dib.m_pBits, dib.m_pBits + dib.m_nImageSize);
    if (kind == kRle8) {
        pixels.clear();
        std::vector<BYTE> row(kWidth);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                row[x] = static_cast<BYTE>((x / (1 + y % 17)) * 7 + y);
            const auto codes = bmp::EncodeRle(row.data(), kWidth, 1, false);
            pixels.insert(pixels.end(), codes.begin(), codes.end() - 2);
        }
        pixels.push_back(0);
        pixels.push_back(1);
    }
    const std::uint32_t masks = kind == kMasked16 || kind == kMasked32 ? 12 : 0;
    const std::uint32_t table = 4 * static_cast<std::uint32_t>(dib.m_nColorTableEntries);
    const std::uint32_t off = 54 + masks + table;
    p.file.assign(off, 0);
    p.file[0] = 'B';
    p.file[1] = 'M';
    Put32(p.file, 2, off + static_cast<std::uint32_t>(pixels.size()));
    Put32(p.file, 10, off);
    std::memcpy(p.file.data() + 14, dib.m_pInfo, 40);
    const std::uint32_t compression = kind == kRle8 ? 1 : masks != 0 ? 3 : 0;
    Put32(p.file, 14 + 16, compression);
    Put32(p.file, 14 + 20, static_cast<std::uint32_t>(pixels.size()));
    if (kind == kMasked16) {
        Put32(p.file, 54, 0xF800);
        Put32(p.file, 58, 0x07E0);
        Put32(p.file, 62, 0x001F);
    } else if (kind == kMasked32) {
        Put32(p.file, 54, 0x3FF00000);
        Put32(p.file, 58, 0x000FFC00);
        Put32(p.file, 62, 0x000003FF);
    }
    std::memcpy(p.file.data() + 54 + masks, dib.m_pColorTable, table);
    p.file.insert(p.file.end(), pixels.begin(), pixels.end());
    // The loaded picture reads the same bytes.
    CMemFile memory(p.file.data(), static_cast<UINT>(p.file.size()));
    p.dib = std::make_unique<CDib>();
    p.dib->Read(&memory);
    return p;
}

void Rate(benchmark::State& state, const Picture& p) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(p.file.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight);
}

void DecodeEveryPixel(benchmark::State& state) {
    const Picture& p = Make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const bmp::Decoder decoder = bmp::Decoder::OfFile(p.file);
        std::uint32_t sum = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                sum += decoder.At(x, y)->g;
        benchmark::DoNotOptimize(sum);
    }
    Rate(state, p);
}

// The same a row at a time, as a conversion or a whole picture's reading takes it.
void DecodeEveryRow(benchmark::State& state) {
    const Picture& p = Make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const bmp::Decoder decoder = bmp::Decoder::OfFile(p.file);
        std::vector<std::uint32_t> row(kWidth);
        std::uint32_t sum = 0;
        for (int y = 0; y < kHeight; ++y) {
            decoder.Row(y, row.data());
            sum += row[static_cast<std::size_t>(y % kWidth)];
        }
        benchmark::DoNotOptimize(sum);
    }
    Rate(state, p);
}

void ReadEveryPixel(benchmark::State& state) {
    const Picture& p = Make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                sum += p.dib->GetDrawnPixel(x, y).rgbGreen;
        benchmark::DoNotOptimize(sum);
    }
    Rate(state, p);
}

void Kinds(benchmark::internal::Benchmark* b) {
    for (int kind :
         {kBits1, kBits4, kBits8, kRle8, kBits16, kMasked16, kBits24, kBits32, kMasked32})
        b->Arg(kind);
    b->Iterations(1)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(DecodeEveryPixel)->Apply(Kinds);
BENCHMARK(DecodeEveryRow)->Apply(Kinds);
BENCHMARK(ReadEveryPixel)->Apply(Kinds);
