// Every save reads back, over every file of the corpus, the producers' files and
// generated hostile headers: setpixel at three places and save16 each refuse, or write
// a file in which the checker finds no new error, the written pixels read back and every
// other pixel reads as before (save16: within its 5-bit rounding).
#include "bmp_builder.h"
#include "corpus_manifest.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"
#include "dib/save_rules.h"
#include "inspect/check_bitmap.h"
#include "platform/cmemfile.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace {

struct Loaded {
    std::vector<BYTE> bytes;
    std::unique_ptr<CDib> dib;
};

Loaded Load(std::vector<BYTE> bytes) {
    Loaded l{std::move(bytes), std::make_unique<CDib>()};
    CMemFile file(l.bytes.data(), static_cast<UINT>(l.bytes.size()));
    if (!l.dib->Read(&file))
        l.dib.reset();
    return l;
}

std::vector<BYTE> Written(CDib& dib) {
    CMemFile out;
    EXPECT_TRUE(dib.Write(&out));
    return out.Data();
}

std::set<std::string> Errors(std::span<const BYTE> bytes) {
    std::set<std::string> ids;
    for (const inspect::Finding& f : inspect::CheckBitmap(bytes))
        if (f.severity == inspect::Severity::Error)
            ids.insert(f.id);
    return ids;
}

// The places a picture is compared at: all of a small one, a grid of a large one.
std::vector<std::pair<int, int>> Places(int w, int h) {
    std::vector<std::pair<int, int>> out;
    const int sx = std::max(1, w / 64), sy = std::max(1, h / 64);
    for (int y = 0; y < h; y += sy)
        for (int x = 0; x < w; x += sx)
            out.emplace_back(x, y);
    return out;
}

struct Counts {
    int files = 0, loaded = 0, refused = 0, written = 0, large = 0;
};

// Pictures whose saved file would pass 16 MB (a sparse run-length stream of millions of
// rows, say) are saved elsewhere; here they would only cost time.
constexpr std::int64_t kLargestWritten = std::int64_t{4} << 20;

// What differs between the picture before and the file written from it, or empty.
std::string Compare(const CDib& before, std::span<const BYTE> input, const std::vector<BYTE>& file,
                    int tolerance, std::pair<int, int> wrote, RGBQUAD asked) {
    const Loaded after = Load(file);
    if (after.dib == nullptr)
        return "the written file does not load";
    for (const std::string& id : Errors(file))
        if (Errors(input).count(id) == 0)
            return "a new error: " + id;
    const BITMAPINFOHEADER& h = *before.m_pInfo;
    const int rows = static_cast<int>(std::llabs(h.biHeight));
    for (const auto& [x, y] : Places(h.biWidth, rows)) {
        const RGBQUAD a = before.GetDrawnPixel(x, y), b = after.dib->GetDrawnPixel(x, y);
        const RGBQUAD want = std::pair(x, y) == wrote ? asked : a;
        for (const auto& [p, q] : {std::pair{want.rgbBlue, b.rgbBlue},
                                   {want.rgbGreen, b.rgbGreen},
                                   {want.rgbRed, b.rgbRed}})
            if (std::abs(p - q) > tolerance)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") reads " +
                       std::to_string(q) + ", not " + std::to_string(p);
    }
    return "";
}

void SetPixelAndSave(const std::vector<BYTE>& input, int x, int y, Counts& counts) {
    Loaded l = Load(input);
    CDib& dib = *l.dib;
    const RGBQUAD asked{40, 80, 160, 7};
    if (!PixelWritable(*dib.m_pInfo) || !PixelPositionAccepted(*dib.m_pInfo, x, y) ||
        !dib.DrawnPixelRefusal(x, y, asked).empty() || !SaveRefusal(dib, SaveAs::AsItIs).empty()) {
        ++counts.refused;
        return;
    }
    Loaded before = Load(input);
    dib.SetDrawnPixel(x, y, asked);
    ++counts.written;
    EXPECT_EQ(Compare(*before.dib, input, Written(dib), 0, {x, y}, asked), "")
        << "setpixel " << x << " " << y;
}

void Save16(const std::vector<BYTE>& input, Counts& counts) {
    Loaded l = Load(input);
    CDib& dib = *l.dib;
    if (!SaveRefusal(dib, SaveAs::Rgb555).empty()) {
        ++counts.refused;
        return;
    }
    if (std::int64_t{dib.m_pInfo->biWidth} * std::llabs(dib.m_pInfo->biHeight) > kLargestWritten) {
        ++counts.large;
        return;
    }
    Loaded before = Load(input);
    const CSize size(dib.m_pInfo->biWidth, dib.m_pInfo->biHeight);
    dib.ConvertTo555();
    dib.ResetHeader(size, 16);
    ++counts.written;
    EXPECT_EQ(Compare(*before.dib, input, Written(dib), 8, {-1, -1}, {}), "") << "save16";
}

// Headers as a careless or hostile writer makes them: depths, compressions, sizes and
// biSizeImage that the pixels do not match.
std::vector<std::vector<BYTE>> Hostile() {
    std::vector<std::vector<BYTE>> files;
    for (int bits : {1, 8, 16, 24, 32})
        for (DWORD c : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 11u, 129u})
            for (const auto& [w, h] : {std::pair{3, 2}, {0, -2147483647}, {-1, 2}, {1, 536870913}})
                for (DWORD sizeImage : {0u, 4u, 0xFFFFFFFFu}) {
                    BmpFields f =
                        BmpFields{}.Size(w, h).Bits(bits).Compression(c).SizeImage(sizeImage);
                    if (bits <= 8)
                        f.Table(std::vector<RGBQUAD>(std::size_t{1} << bits, RGBQUAD{9, 8, 7, 0}));
                    f.gap = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0, 0, 0, 0, 0};
                    f.Pixels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0, 1});
                    files.push_back(f.Build());
                }
    return files;
}

} // namespace

TEST(SaveRoundTrip, EverySaveRefusesOrWritesAFileThatReadsBack) {
    std::vector<std::vector<BYTE>> inputs = Hostile();
    const std::string corpus = std::string(PIXSCOPE_CORPUS);
    for (const CorpusFile& c : ReadManifest(corpus + "/bmpsuite"))
        inputs.push_back(ReadFileBytes(c.path));
    for (const std::string& folder : {corpus + "/hostile", std::string(PIXSCOPE_PRODUCERS)})
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().extension() == ".bmp")
                inputs.push_back(ReadFileBytes(e.path()));
    RecordingInteraction quiet;
    platform::InteractionSeam* previous = platform::SetInteractionSeam(&quiet);
    Counts counts;
    for (const std::vector<BYTE>& input : inputs) {
        ++counts.files;
        const Loaded l = Load(input);
        if (l.dib == nullptr)
            continue;
        ++counts.loaded;
        // In 64 bits: a hostile height is -2^31, whose magnitude and last row no int holds.
        const std::int64_t w = l.dib->m_pInfo->biWidth,
                           h = std::llabs(std::int64_t{l.dib->m_pInfo->biHeight});
        const auto at = [](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
        };
        SCOPED_TRACE(std::to_string(counts.files) + ": " + std::to_string(w) + " x " +
                     std::to_string(l.dib->m_pInfo->biHeight) + " at " +
                     std::to_string(l.dib->m_pInfo->biBitCount) + " bits, compression " +
                     std::to_string(l.dib->m_pInfo->biCompression));
        for (const auto& [x, y] : {std::pair{0, 0}, {at(w - 1), at(h - 1)}, {at(w / 2), at(h / 2)}})
            SetPixelAndSave(input, x, y, counts);
        Save16(input, counts);
    }
    platform::SetInteractionSeam(previous);
    RecordProperty("files", counts.files);
    RecordProperty("refused", counts.refused);
    RecordProperty("written", counts.written);
    std::printf("%d files, %d loaded; %d saves refused, %d written, %d too large to write here\n",
                counts.files, counts.loaded, counts.refused, counts.written, counts.large);
    EXPECT_GT(counts.written, 150);
    EXPECT_GT(counts.refused, 500);
}
