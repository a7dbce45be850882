// The pixel read names the colour the preview draws: for every pixel of the files real
// programs write and of the conformance corpus, and for the formats that no drawing
// decodes.
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "bmp/open_rule.h"
#include "bmp/rle_index.h"
#include "bmp_builder.h"
#include "corpus_manifest.h"
#include "dib/dib.h"
#include "inspect/pixel_location.h"
#include "platform/allocator.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/gdi/gdi.h"
#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string kProducers = PIXSCOPE_PRODUCERS;

std::unique_ptr<CDib> Load(const std::string& path) {
    CFile file;
    auto dib = std::make_unique<CDib>();
    if (!file.Open(path.c_str(), CFile::modeRead) || !dib->Read(&file))
        return nullptr;
    return dib;
}

std::string Bgr(RGBQUAD v) {
    return std::to_string(v.rgbBlue) + "," + std::to_string(v.rgbGreen) + "," +
           std::to_string(v.rgbRed);
}

std::string Bgr(COLORREF c) {
    return std::to_string(GetBValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetRValue(c));
}

// Where pixel (x, y) of a loadable picture is first told apart by the drawing (at twice
// the size, walking the stream afresh and as the preview draws, so that a run-length
// pixel no code sets shows entry 0), the read, the locator and the structure view's
// decoder; empty when all of them agree on every pixel.
std::string FirstDisagreement(const std::vector<BYTE>& file, CDib& dib) {
    const int w = dib.m_pInfo->biWidth, h = std::abs(dib.m_pInfo->biHeight);
    const int bits = dib.m_pInfo->biBitCount;
    const DWORD compression = dib.m_pInfo->biCompression;
    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    CDC walked, preview;
    walked.CreateCompatibleDC(nullptr);
    preview.CreateCompatibleDC(nullptr);
    struct Bitmap {
        HBITMAP h;
        ~Bitmap() { DeleteObject(h); }
    } a{CreateCompatibleBitmap(nullptr, 2 * w, 2 * h)},
        b{CreateCompatibleBitmap(nullptr, 2 * w, 2 * h)};
    walked.SelectObject(a.h);
    preview.SelectObject(b.h);
    StretchDIBits(walked.GetSafeHdc(), 0, 0, 2 * w, 2 * h, 0, 0, w, h, dib.m_pBits,
                  reinterpret_cast<const BITMAPINFO*>(dib.m_pInfo), DIB_RGB_COLORS, SRCCOPY,
                  dib.m_nImageSize, dib.m_nInfoSize);
    dib.Draw(&preview, CPoint(0, 0), CSize(2 * w, 2 * h));
    const bmp::Decoder decoder = bmp::Decoder::OfFile(file);
    const bmp::RleIndex* index = rle ? decoder.Runs() : nullptr;
    const std::uint64_t stride = (static_cast<std::uint64_t>(w) * bits + 31) / 32 * 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::string at = " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            const COLORREF drawn = walked.GetPixel(2 * x, 2 * y);
            const RGBQUAD read = dib.GetDrawnPixel(x, y);
            if (Bgr(read) != Bgr(drawn) || preview.GetPixel(2 * x, 2 * y) != drawn)
                return "read " + Bgr(read) + ", drawn " + Bgr(drawn) + at;
            const auto decoded = decoder.At(x, y);
            if (!decoded || decoded->b != read.rgbBlue || decoded->g != read.rgbGreen ||
                decoded->r != read.rgbRed || decoded->s != read.rgbReserved)
                return "the decoder differs from the read" + at;
            std::string error;
            const auto where = inspect::LocatePixel(file, x, y, error);
            if (!where)
                return error + at;
            if (!rle) {
                const std::uint64_t stored = dib.m_pInfo->biHeight < 0 ? y : h - 1 - y;
                if (where->offset != dib.m_fileHeader.bfOffBits + stored * stride +
                                         static_cast<std::uint64_t>(x) * bits / 8)
                    return "the locator names other bytes" + at;
                continue;
            }
            // A code exactly where the stream sets the pixel, holding the index read: a
            // literal pixel's byte (or half), or an RLE8 run's value.
            const auto i = index->ValueAt(x, h - 1 - y);
            const auto& bytes = where->bytes;
            const int named = bytes.size() == 1 ? (where->bit == 3   ? bytes[0] & 0x0F
                                                   : where->bit == 7 ? bytes[0] >> 4
                                                                     : bytes[0])
                              : compression == BI_RLE8 && bytes.size() == 2 ? bytes[1]
                                                                            : -1;
            if (i.has_value() != where->offset.has_value() ||
                (i && named >= 0 && static_cast<std::uint32_t>(named) != *i))
                return "the locator names another code" + at;
        }
    return "";
}

std::vector<std::vector<std::string>> Table(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, '\t');)
            cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

} // namespace

TEST(DrawnPixel, EveryPixelOfEveryLoadableFileReadsAsDrawnFromTheBytesTheLocatorNames) {
    std::vector<std::string> paths;
    for (const auto& row : Table(kProducers + "/made.tsv"))
        paths.push_back(kProducers + "/" + row[0]);
    for (const CorpusFile& c : ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite"))
        paths.push_back(c.path);
    ASSERT_GE(paths.size(), 39u);
    int checked = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::unique_ptr<CDib> dib = Load(path);
        EXPECT_EQ(!bmp::OpenCommandRefusal(bmp::ParseFile(ReadFileBytes(path))).has_value(),
                  dib != nullptr);
        // The suite's good files all draw; formats no drawing decodes have the table below.
        if (dib != nullptr && path.find("/g/") != std::string::npos) {
            EXPECT_TRUE(platform::gdi::DrawingFormat(
                            reinterpret_cast<const BITMAPINFO*>(dib->m_pInfo), dib->m_nInfoSize)
                            .Decodes());
        }
        if (dib == nullptr ||
            !platform::gdi::DrawingFormat(reinterpret_cast<const BITMAPINFO*>(dib->m_pInfo),
                                          dib->m_nInfoSize)
                 .Decodes() ||
            std::llabs(static_cast<long long>(dib->m_pInfo->biWidth) * dib->m_pInfo->biHeight) >
                300000)
            continue;
        EXPECT_EQ(FirstDisagreement(ReadFileBytes(path), *dib), "");
        ++checked;
    }
    EXPECT_GE(checked, 32);
}

TEST(DrawnPixel, FilesOfOtherProgramsReadTheColoursPillowAndImageMagickAgreeOn) {
    int compared = 0, decodedOnly = 0;
    for (const auto& row : Table(kProducers + "/colours.tsv")) {
        if (row.size() != 5 || row[0] == "file" || row[3] != row[4] || row[3] == "-")
            continue;
        SCOPED_TRACE(row[0] + " (" + row[1] + ", " + row[2] + ")");
        const int x = std::stoi(row[1]), y = std::stoi(row[2]);
        std::unique_ptr<CDib> dib = Load(kProducers + "/" + row[0]);
        if (dib != nullptr) {
            EXPECT_EQ(Bgr(dib->GetDrawnPixel(x, y)), row[3]);
            ++compared;
            continue;
        }
        // A header the open command does not read: the structure view decodes it.
        const std::vector<BYTE> bytes = ReadFileBytes(kProducers + "/" + row[0]);
        const auto decoded = bmp::Decoder::OfFile(bytes).At(x, y);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(std::to_string(decoded->b) + "," + std::to_string(decoded->g) + "," +
                      std::to_string(decoded->r),
                  row[3]);
        ++decodedOnly;
    }
    EXPECT_EQ(compared, 89);    // 32 files, three places each, less the 7 Pillow reads otherwise
    EXPECT_EQ(decodedOnly, 21); // the 7 files of V4, V5 and OS/2 headers
}

// Where the preview draws nothing, the read gives what the structure view shows, and
// where nothing decodes the pixels, their bytes.
TEST(DrawnPixel, FormatsThePreviewDoesNotDrawReadAsTheDecoderOrTheirBytes) {
    BmpFields alpha =
        BmpFields{}.Size(1, 1).Bits(32).Compression(6).Pixels({0x7E, 0x60, 0xFF, 0x5A});
    alpha.gap = {0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0}; // R G B A
    struct Case {
        const char* name;
        BmpFields file;
        int x, y;
        RGBQUAD expected;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"2 bits: through its four colours",
         BmpFields{}.Size(4, 1).Bits(2).Table({{1, 1, 1, 0}, {10, 20, 30, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}}).Pixels({0x1B, 7, 8, 0}), 1, 0, {10, 20, 30, 0}},
        {"BI_ALPHABITFIELDS: through its masks, S the alpha", alpha, 0, 0, {0x7E, 0x60, 0x5A, 0xFF}},
        {"24 bits labelled run-length: its bytes",
         BmpFields{}.Size(1, 1).Compression(BI_RLE8).Pixels({1, 2, 3, 0}), 0, 0, {1, 2, 3, 0}},
        {"32 bits: S is the fourth stored byte",
         BmpFields{}.Size(1, 1).Bits(32).Pixels({1, 2, 3, 4}), 0, 0, {1, 2, 3, 4}},
        {"16 bits 5-5-5: fields widened by repeating their top bits",
         BmpFields{}.Size(2, 1).Bits(16).Pixels({0x10, 0x42, 0xFF, 0x7F}), 0, 0, {132, 132, 132, 0}},
        {"an index past the colour table: black",
         BmpFields{}.Size(1, 1).Bits(8).ClrUsed(1).Table({{5, 6, 7, 0}}).Pixels({1, 0, 0, 0}), 0, 0, {0, 0, 0, 0}},
        // clang-format on
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CDib> dib = Load(dir.Write("c.bmp", c.file.Build()));
        ASSERT_NE(dib, nullptr);
        const RGBQUAD v = dib->GetDrawnPixel(c.x, c.y);
        EXPECT_EQ(Bgr(v), Bgr(c.expected));
        EXPECT_EQ(v.rgbReserved, c.expected.rgbReserved);
    }
}

TEST(DrawnPixel, NothingOutsideThePictureOrItsArrayIsRead) {
    // 24 bits, 2 x 2, whose array ends inside the top row's first pixel: the bytes after
    // it (0x77) belong to no pixel, and a pixel it holds only partly is black.
    CDib dib;
    dib.CreateBlank(CSize(2, 2), 24);
    auto* bits = static_cast<BYTE*>(platform::AfxAllocZeroed(16));
    std::memset(bits, 0x77, 16);
    dib.AdoptBits(bits);
    dib.m_nImageSize = 10;
    const struct {
        int x, y;
        const char* bgr;
    } cases[] = {{0, 0, "0,0,0"}, {1, 0, "0,0,0"}, {0, 1, "119,119,119"}, {2, 0, "0,0,0"},
                 {2, 1, "0,0,0"}, {0, 2, "0,0,0"}, {-1, 0, "0,0,0"},      {0, -1, "0,0,0"}};
    for (const auto& c : cases)
        EXPECT_EQ(Bgr(dib.GetDrawnPixel(c.x, c.y)), c.bgr) << c.x << "," << c.y;
    EXPECT_EQ(Bgr(CDib().GetDrawnPixel(0, 0)), "0,0,0") << "an empty bitmap";
    // One row past the bottom of a top-down picture whose array has bytes there.
    CDib down;
    down.CreateBlank(CSize(1, -1), 24);
    down.AdoptBits(static_cast<BYTE*>(std::memset(platform::AfxAllocZeroed(8), 0x77, 8)));
    down.m_nImageSize = 8;
    EXPECT_EQ(Bgr(down.GetDrawnPixel(0, 0)), "119,119,119");
    EXPECT_EQ(Bgr(down.GetDrawnPixel(0, 1)), "0,0,0");
    // S too is zero where there is no pixel.
    EXPECT_EQ(dib.GetDrawnPixel(-1, 0).rgbReserved, 0);
    EXPECT_EQ(CDib().GetDrawnPixel(0, 0).rgbReserved, 0);
}

TEST(DrawnPixel, ANewRunLengthStreamOfTheSameShapeIsDecodedAfresh) {
    // Two files alike but for their stream: the second must not read the first's runs,
    // wherever the allocator puts its bytes.
    TempDir dir;
    auto rle = [](BYTE index) {
        return BmpFields{}
            .Size(2, 1)
            .Bits(8)
            .Compression(BI_RLE8)
            .ClrUsed(3)
            .Table({{0, 0, 0, 0}, {10, 20, 30, 0}, {40, 50, 60, 0}})
            .Pixels({2, index, 0, 1})
            .Build();
    };
    CDib dib;
    for (BYTE index : {1, 2, 1}) {
        CFile file(dir.Write("r.bmp", rle(index)).c_str(), CFile::modeRead);
        ASSERT_TRUE(dib.Read(&file));
        EXPECT_EQ(Bgr(dib.GetDrawnPixel(1, 0)), index == 1 ? "10,20,30" : "40,50,60");
    }
}

// Pixel x of a row reads as pixel 0 of the row that starts at its bytes, at every depth
// whole bytes hold; a pixel whose bytes the array ends inside is black.
TEST(UncompressedPixel, EachPixelReadsItsOwnBytesAndOneTheArrayCutsIsBlack) {
    BmpFields masked = BmpFields{}.Bits(32).Compression(BI_BITFIELDS);
    masked.gap = {0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF}; // red, green, blue: bytes 1, 2, 3
    const BmpFields kinds[] = {BmpFields{}.Bits(8).Table(std::vector<RGBQUAD>(256, {9, 8, 7, 0})),
                               BmpFields{}.Bits(16), BmpFields{}, BmpFields{}.Bits(32), masked};
    for (BmpFields f : kinds) {
        SCOPED_TRACE(f.bitCount);
        for (size_t i = 0; i < f.colors.size(); ++i)
            f.colors[i].rgbRed = static_cast<BYTE>(i);
        const std::vector<BYTE> file = BuildBmp(f.Size(4, 1));
        const std::uint32_t infoLength = f.headerSize + static_cast<std::uint32_t>(f.gap.size()) +
                                         static_cast<std::uint32_t>(4 * f.colors.size());
        const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + 14);
        const size_t bpp = static_cast<size_t>(f.bitCount / 8);
        std::vector<BYTE> row(16);
        for (size_t k = 0; k < row.size(); ++k)
            row[k] = static_cast<BYTE>(0x11 * (k + 1));
        // The array as a picture one row high, of the given length.
        auto pixel = [&](const BYTE* bits, size_t length, std::int64_t x) {
            const auto d = platform::gdi::DrawingDecoder(info, infoLength, bits, length);
            return d ? d->Surface(x, 0) : 0u;
        };
        for (std::int64_t x = 0; x < 4; ++x) {
            const size_t end = static_cast<size_t>(x + 1) * bpp;
            EXPECT_EQ(pixel(row.data(), end, x), pixel(row.data() + end - bpp, bpp, 0)) << x;
            EXPECT_NE(pixel(row.data(), end, x), bmp::kBlack) << x;
            EXPECT_EQ(pixel(row.data(), end - 1, x), bmp::kBlack) << x;
        }
    }
}
