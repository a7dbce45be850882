// Fuzz target: the input is a BMP file, driven through everything the program does
// with a file it opens. Built with libFuzzer under clang, or with replay_main.cpp so
// that saved inputs run as an ordinary test.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "codecs/colour_managed.h"
#include "codecs/stream_codecs.h"
#include "dib/dib.h"
#include "dib/pixel_rules.h"
#include "dib/save_rules.h"
#include "inspect/check_bitmap.h"
#include "inspect/compare_fields.h"
#include "inspect/compare_pixels.h"
#include "inspect/pixel_location.h"
#include "inspect/structure.h"
#include "platform/allocator.h"
#include "platform/cmemfile.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/interaction.h"
#include "report/bitmap_report.h"
#include "structure/bmp_structure_model.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <utility>

#include <cstddef>
#include <cstdint>

namespace {

class Silent : public platform::InteractionSeam {
public:
    int MessageBox(const CString&, const CString&, UINT) override { return IDOK; }
};

// Converting costs time with the picture's area, whatever the file holds; the fuzzer
// keeps its inputs to pictures it can convert within its time limit.
constexpr std::int64_t kConvertPixelBudget = std::int64_t{1} << 18;
// Writing copies the whole declared pixel array and colour table, which a header may
// make gigabytes.
constexpr DWORD kWriteByteBudget = DWORD{1} << 24;

// The last pixel of a dimension, and a height's size, in 64 bits: a header may give INT_MIN.
int Last(std::int64_t n) {
    return static_cast<int>(std::clamp<std::int64_t>(n - 1, INT32_MIN, INT32_MAX));
}
int Magnitude(std::int64_t n) {
    return static_cast<int>(std::min<std::int64_t>(n < 0 ? -n : n, INT32_MAX));
}

void Exercise(CDib& dib) {
    const BITMAPINFOHEADER& h = *dib.m_pInfo;
    BitmapReport report = ComposeReport("/fuzz/input.bmp", CFileStatus{}, dib.m_fileHeader, h);
    (void)report;

    int w = h.biWidth, ht = h.biHeight;
    const int xs[] = {0, Last(w), 0, Last(w), w / 2, -1, w};
    const int ys[] = {0, 0, Last(ht), Last(ht), ht / 2, -1, ht};
    for (int i = 0; i < 7; ++i) {
        (void)dib.GetDrawnPixel(xs[i], ys[i]);
        RGBQUAD v = dib.GetPixel(xs[i], ys[i]);
        dib.SetPixel(xs[i], ys[i], RGBQUAD{v.rgbRed, v.rgbGreen, v.rgbBlue, 7});
    }

    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 345, 234);
    dc.SelectObject(bmp);
    dib.Draw(&dc, CPoint(0, 0), CSize(345, 234));
    (void)dib.GetDrawnPixel(w / 3, ht / 3);
    dc.DeleteDC();
    DeleteObject(bmp);

    std::int64_t area =
        static_cast<std::int64_t>(w < 0 ? 0 : w) * (ht < 0 ? -static_cast<std::int64_t>(ht) : ht);
    if (area > kConvertPixelBudget)
        return;
    try {
        CSize size(w, ht);
        dib.ConvertTo555();
        dib.ResetHeader(size, 16);
        std::uint64_t pieces =
            dib.m_nImageSize + 4 * std::uint64_t{static_cast<DWORD>(dib.m_nColorTableEntries)};
        if (pieces <= kWriteByteBudget) {
            CMemFile out;
            dib.Write(&out);
        }
    } catch (CMemoryException* e) {
        e->Delete();
    }
}

// The other loaders, each followed by what can be done with what it loaded.
void OtherLoaders(const std::uint8_t* data, std::size_t size) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    {
        // Flipping copies the whole declared array, as converting does: within budget only.
        CMemFile file(data, static_cast<UINT>(size));
        CDib dib;
        if (dib.ReadFlipped(&file, FALSE) && dib.m_nImageSize <= kWriteByteBudget) {
            dib.DrawFlipped(&dc, CPoint(0, 0), CSize(16, 16), 1);
            CMemFile again(data, static_cast<UINT>(size));
            dib.ReadFlipped(&again, TRUE);
        }
    }
    {
        CMemFile file(data, static_cast<UINT>(size));
        CDib dib;
        dib.ReadSection(&file, &dc);
    }
    if (size > sizeof(BITMAPFILEHEADER)) {
        std::size_t length = size - sizeof(BITMAPFILEHEADER);
        auto* packed = static_cast<BYTE*>(platform::AfxAllocZeroed(length));
        std::memcpy(packed, data + sizeof(BITMAPFILEHEADER), length);
        CDib dib;
        dib.AttachMemory(packed, TRUE, nullptr, length); // owns the block from here on
        if (!dib.IsEmpty() && dib.m_pBits != nullptr) {
            const BITMAPINFOHEADER& h = *dib.m_pInfo;
            const CSize size(h.biWidth, h.biHeight);
            const int bitCount = h.biBitCount;
            std::int64_t area =
                std::abs(std::int64_t{h.biWidth}) * std::abs(std::int64_t{h.biHeight});
            if (area <= kConvertPixelBudget && dib.Compress(&dc, TRUE))
                dib.Compress(&dc, FALSE);
            // A new header frees the block the pixels live in, unless they move first.
            dib.ResetHeader(size, bitCount);
            if (dib.m_nImageSize <= kWriteByteBudget) {
                CMemFile out;
                dib.WriteFlipped(&out, TRUE);
            }
        }
        // A blank picture of the header's shape, given a section's memory.
        if (length >= sizeof(BITMAPINFOHEADER)) {
            BITMAPINFOHEADER h;
            std::memcpy(&h, data + sizeof(BITMAPFILEHEADER), sizeof h);
            std::int64_t area =
                std::abs(std::int64_t{h.biWidth}) * std::abs(std::int64_t{h.biHeight});
            if (area <= kConvertPixelBudget) {
                CDib blank(CSize(h.biWidth, h.biHeight), h.biBitCount);
                blank.m_nImageSize = h.biSizeImage; // what a kept header can claim
                if (blank.CreateSection(&dc) != nullptr && blank.m_nImageSize <= kWriteByteBudget) {
                    CMemFile out;
                    blank.Write(&out);
                }
            }
        }
    }
    {
        static const std::string path = [] {
            char name[] = "/tmp/pixscope-fuzz-XXXXXX";
            int fd = mkstemp(name);
            close(fd);
            return std::string(name);
        }();
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
            CDib dib;
            if (dib.MapFile(path.c_str(), FALSE)) {
                dib.GetPixel(0, 0);
                // Over the very file it maps, as a careless caller would.
                if (dib.m_nImageSize <= kWriteByteBudget)
                    dib.SaveToMappedFile(path.c_str());
            }
        }
    }
}

// Where the drawing decodes a loaded picture, the structure view's decoder gives the
// read's colour; a difference is a finding.
void ExpectTheDecoderAgrees(const CDib& dib, std::span<const std::uint8_t> bytes) {
    if (!platform::gdi::DrawingFormat(reinterpret_cast<const BITMAPINFO*>(dib.m_pInfo),
                                      dib.m_nInfoSize)
             .Decodes())
        return;
    const bmp::Decoder decoder = bmp::Decoder::OfFile(bytes);
    const int w = dib.m_pInfo->biWidth, h = Magnitude(dib.m_pInfo->biHeight);
    for (const auto& [x, y] : {std::pair{0, 0}, {Last(w), Last(h)}, {w / 2, h / 3}, {Last(w), 0}}) {
        const auto decoded = decoder.At(x, y);
        const RGBQUAD read = dib.GetDrawnPixel(x, y);
        if (decoded && (decoded->b != read.rgbBlue || decoded->g != read.rgbGreen ||
                        decoded->r != read.rgbRed || decoded->s != read.rgbReserved))
            std::abort();
    }
}

// A save the rules let through reads back: the pixel written, the rest as before (at 16
// bits, within the 5-bit rounding). Within the budgets, as above.
void ExpectSavesReadBack(const std::uint8_t* data, std::size_t size) {
    auto load = [&](const std::vector<BYTE>& bytes, CDib& dib) {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        return dib.Read(&file) != FALSE;
    };
    const std::vector<BYTE> input(data, data + size);
    for (SaveAs as : {SaveAs::AsItIs, SaveAs::Rgb555}) {
        CDib before, dib;
        if (!load(input, before) || !load(input, dib) || !SaveRefusal(dib, as).empty())
            continue;
        const BITMAPINFOHEADER& h = *dib.m_pInfo;
        const std::int64_t area = std::int64_t{h.biWidth} * std::abs(std::int64_t{h.biHeight});
        if (area > kConvertPixelBudget || dib.m_nImageSize > kWriteByteBudget)
            continue;
        const RGBQUAD asked{40, 80, 160, 0};
        int tolerance = 0;
        if (as == SaveAs::AsItIs) {
            if (!PixelWritable(h) || !dib.DrawnPixelRefusal(0, 0, asked).empty())
                continue;
            dib.SetDrawnPixel(0, 0, asked);
        } else {
            const CSize shape(h.biWidth, h.biHeight);
            dib.ConvertTo555();
            dib.ResetHeader(shape, 16);
            tolerance = 8;
        }
        CMemFile out;
        CDib after;
        if (!dib.Write(&out) || !load(out.Data(), after))
            std::abort();
        const int w = before.m_pInfo->biWidth, ht = Magnitude(before.m_pInfo->biHeight);
        for (const auto& [x, y] : {std::pair{0, 0}, {Last(w), Last(ht)}, {w / 2, ht / 3}}) {
            const RGBQUAD a =
                as == SaveAs::AsItIs && x == 0 && y == 0 ? asked : before.GetDrawnPixel(x, y);
            const RGBQUAD b = after.GetDrawnPixel(x, y);
            if (std::abs(a.rgbBlue - b.rgbBlue) > tolerance ||
                std::abs(a.rgbGreen - b.rgbGreen) > tolerance ||
                std::abs(a.rgbRed - b.rgbRed) > tolerance)
                std::abort();
        }
    }
}

// decode's whole reading of each image (of an array, the first few), under every policy
// for skipped pixels and through the file's colour profile, within the budget.
void DecodeEveryImage(std::span<const std::uint8_t> bytes) {
    for (std::size_t image = 0; image < 4; ++image) {
        const auto start = bmp::ImageStart(bytes, image);
        if (!start)
            return;
        const bmp::Decoder d = bmp::Decoder::OfFile(bytes, bmp::Rules::File, *start);
        if (!d.Decodes() || d.Width() == 0 || d.Height() == 0 ||
            d.Width() * d.Height() > kConvertPixelBudget)
            continue;
        std::string note;
        const auto colours =
            codecs::ColourTransform::For(bmp::ParseFile(bytes, *start), bytes, &note);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(d.Width()) * 4);
        for (bmp::Skipped s :
             {bmp::Skipped::Entry0, bmp::Skipped::Black, bmp::Skipped::Transparent})
            for (std::int64_t y = 0; y < d.Height(); ++y) {
                d.Rgba(y, row.data(), s);
                if (colours)
                    colours->Apply(row.data(), static_cast<std::size_t>(d.Width()));
            }
    }
}

// compare's readings: a file against itself differs in nothing; against a twin with one
// byte changed, both read without fault.
void CompareWithTwin(std::span<const std::uint8_t> bytes) {
    for (const inspect::ComparedField& f : inspect::CompareFields(bytes, 0, bytes, 0))
        if (f.differs)
            std::abort();
    std::vector<std::uint8_t> twin(bytes.begin(), bytes.end());
    if (twin.empty())
        return;
    twin[twin.size() / 2] ^= 0x5A;
    inspect::CompareFields(bytes, 0, twin, 0);
    const bmp::Decoder d = bmp::Decoder::OfFile(bytes), t = bmp::Decoder::OfFile(twin);
    if (!d.Decodes() || d.Width() == 0 || d.Width() * d.Height() > kConvertPixelBudget)
        return;
    const auto side = [](const bmp::Decoder& of) {
        return inspect::PictureSide{of.Width(), of.Height(),
                                    [&of](std::int64_t y, std::uint8_t* rgba) { of.Rgba(y, rgba); },
                                    &of};
    };
    if (inspect::ComparePixels(side(d), side(d), 0).differ != 0)
        std::abort();
    if (t.Decodes() && t.Width() == d.Width() && t.Height() == d.Height())
        inspect::ComparePixels(side(d), side(t), 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Silent silent;
    platform::SetInteractionSeam(&silent);
    static const bool codecs = (codecs::InstallStreamDecoders(), true);
    (void)codecs;
    if (size > 64 * 1024 * 1024)
        return 0;
    {
        CMemFile file(data, static_cast<UINT>(size));
        CDib dib;
        if (dib.Read(&file)) {
            ExpectTheDecoderAgrees(dib, std::span(data, size));
            Exercise(dib);
        }
    }
    OtherLoaders(data, size);
    ExpectSavesReadBack(data, size);
    // The checker reads the same bytes itself, with no loader in front of it.
    const std::span<const std::uint8_t> bytes(data, size);
    inspect::CheckBitmap(bytes);
    inspect::DescribeStructure(bytes);
    DecodeEveryImage(bytes);
    CompareWithTwin(bytes);
    const bmp::Decoder decoder = bmp::Decoder::OfFile(bytes);
    for (std::int64_t at : {0, 1, 7, 1000})
        (void)decoder.At(at, at);
    std::string error;
    for (std::int64_t at : {0, 1, 7, 1000})
        inspect::LocatePixel(bytes, at, at, error);
    // The structure view's ties: a pixel's bytes and each byte's pixels.
    try {
        const auto model = structure::BmpStructureOf(bytes, "fuzz");
        for (std::int64_t at : {0, 1, 7, 1000})
            if (const auto held = model->BytesOf(at, at); held && held->offset >= size)
                std::abort();
        for (std::uint64_t at = 0; at < std::min<std::size_t>(size, 4096); ++at)
            if (const auto span = model->PixelsOf(at);
                span && (span->x0 > span->x1 || span->y < 0 || span->y >= model->Height()))
                std::abort();
        // The pixel data's units lie in file order inside the file, and a pixel's decoding
        // reads nothing outside it.
        std::uint64_t end = 0;
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(model->UnitCount(), 2048); ++i) {
            const auto unit = model->Unit(i).bytes;
            if (unit.offset + 1 < end || unit.offset + unit.size > size)
                std::abort();
            end = unit.offset + unit.size;
        }
        if (model->UnitCount() > 0) {
            const auto last = model->Unit(model->UnitCount() - 1).bytes;
            if (model->UnitAt(last.offset) != model->UnitCount() - 1 && last.size > 0)
                std::abort();
        }
        for (std::int64_t at : {0, 1, 7, 1000})
            (void)model->Decoding(at, at);
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
