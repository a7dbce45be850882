// The format library alone: which compression goes with which depth and header kind,
// under the drawing's rules and a reader of files', and the run-length index.
#include "bmp/decoder.h"
#include "bmp/huffman.h"
#include "bmp/layout.h"
#include "bmp/pixel_format.h"
#include "bmp/pixel_write.h"
#include "bmp/rle_index.h"
#include "bmp_builder.h"

#include <gtest/gtest.h>

namespace {

// "-" where the rules decode nothing, else the layout and its stored bits.
std::string Says(const bmp::PixelFormat& f) {
    static const char* const kNames[] = {"-",   "indexed", "masked",  "bgr",
                                         "rle", "rgba64",  "huffman", "embedded"};
    if (!f.Decodes())
        return "-";
    return std::string(kNames[static_cast<int>(f.encoding)]) + " " + std::to_string(f.bits) +
           (f.alphaInForce ? " alpha" : "") + (f.masksGiven ? " masks" : "");
}

} // namespace

TEST(Format, EachHeaderKindDepthAndCompressionHasOneReading) {
    std::vector<BYTE> masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};
    BmpFields alpha = BmpFields{}.Bits(32).Compression(6);
    alpha.gap = masks;
    BmpFields zeroRed = BmpFields{}.Bits(32).Compression(BI_BITFIELDS);
    zeroRed.gap = std::vector<BYTE>(masks.begin() + 4, masks.begin() + 16);
    zeroRed.gap[11] = 0; // blue: a zero mask
    BmpFields v4 = BmpFields{}.Header(108).Bits(32).Compression(BI_BITFIELDS);
    BmpFields m565 = BmpFields{}.Bits(16).Compression(BI_BITFIELDS);
    m565.gap = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const struct {
        const char* name;
        std::vector<BYTE> file;
        const char* drawing;
        const char* file_; // a reader of files, or the start of its refusal
    } rows[] = {
        // clang-format off
        {"24 bits", BmpFields{}.Build(), "bgr 24", "bgr 24"},
        {"24 bits labelled RLE8", BmpFields{}.Compression(BI_RLE8).Build(), "-", "压缩方式 1 与 24 位"},
        {"RLE8 top-down", BmpFields{}.Bits(8).Size(4, -2).Compression(BI_RLE8).Build(), "-", "rle 8"},
        {"RLE4", BmpFields{}.Bits(4).Compression(BI_RLE4).Build(), "rle 4", "rle 4"},
        {"2 bits", BmpFields{}.Bits(2).Build(), "-", "indexed 2"},
        {"16 bits 5-5-5", BmpFields{}.Bits(16).Build(), "masked 16", "masked 16"},
        {"16 bits 5-6-5", m565.Build(), "masked 16 masks", "masked 16 masks"},
        {"a zero mask", zeroRed.Build(), "-", "BI_BITFIELDS 的掩码为零"},
        {"BI_ALPHABITFIELDS", alpha.Build(), "-", "masked 32 alpha masks"},
        {"V4 bitfields and its alpha mask", v4.Build(), "-", "BI_BITFIELDS 的掩码为零"},
        {"OS/2 RLE24", BmpFields{}.Header(64).Compression(4).Build(), "-", "rle 24"},
        {"OS/2 Huffman 1D", BmpFields{}.Header(64).Bits(1).Compression(3).Build(), "-", "huffman 1"},
        {"OS/2 Huffman 1D at 8 bits", BmpFields{}.Header(64).Bits(8).Compression(3).Build(), "-", "Huffman 1D 压缩只用于 1 位像素"},
        {"embedded JPEG", BmpFields{}.Compression(4).Build(), "-", "embedded 24 alpha"},
        {"64 bits", BmpFields{}.Bits(64).Build(), "-", "rgba64 64 alpha"},
        {"64 bits labelled RLE8", BmpFields{}.Bits(64).Compression(BI_RLE8).Build(), "-", "压缩方式 1 与 64 位"},
        {"CMYK", BmpFields{}.Bits(32).Compression(11).Build(), "-", "CMYK 像素（BI_CMYK）只在打印机"},
        {"12 bits", BmpFields{}.Bits(12).Build(), "-", "像素位数 12"},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bmp::Header h = bmp::ParseFile(r.file).header;
        EXPECT_EQ(Says(bmp::Classify(h, bmp::Rules::Drawing)), r.drawing);
        const bmp::PixelFormat f = bmp::Classify(h, bmp::Rules::File);
        EXPECT_EQ((f.Decodes() ? Says(f) : f.refusal).rfind(r.file_, 0), 0u) << f.refusal;
    }
    // A V4 header's own alpha mask is in force with BI_BITFIELDS; a 40-byte one's is not
    // its own.
    std::vector<BYTE> withMasks = v4.Build();
    std::copy(masks.begin(), masks.end(), withMasks.begin() + 14 + 40);
    EXPECT_EQ(Says(bmp::Classify(bmp::ParseFile(withMasks).header, bmp::Rules::File)),
              "masked 32 alpha masks");
}

TEST(Format, CompressionsAreNamedByTheirHeadersKind) {
    const struct {
        std::uint32_t value;
        bool os2;
        const char* name;
    } rows[] = {{0, false, "BI_RGB"},   {3, false, "BI_BITFIELDS"}, {3, true, "Huffman 1D"},
                {4, false, "BI_JPEG"},  {4, true, "RLE24"},         {6, false, "BI_ALPHABITFIELDS"},
                {11, false, "BI_CMYK"}, {12, false, "BI_CMYKRLE8"}, {13, false, "BI_CMYKRLE4"},
                {7, false, nullptr}};
    for (const auto& r : rows) {
        const char* name = bmp::CompressionName(r.value, r.os2);
        EXPECT_EQ(name == nullptr ? "-" : std::string(name), r.name == nullptr ? "-" : r.name)
            << r.value;
    }
    EXPECT_EQ(bmp::ClassicCompressionName(4), nullptr);
}

// A row the bytes end inside reads what they hold, zeros past them up to the length the
// reader takes, and black past that.
TEST(Decoder, ARowTheBytesEndInsideReadsWhatTheyHold) {
    const std::vector<BYTE> file =
        BmpFields{}.Bits(8).Size(4, 1).Table({{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}}).Build();
    const bmp::Header h = bmp::ParseFile(file).header;
    const std::vector<BYTE> table(file.begin() + 54, file.begin() + 54 + 12);
    const BYTE pixels[] = {2, 1};
    const bmp::Decoder d(h, table, pixels, 3, bmp::Rules::File);
    std::uint32_t row[4] = {};
    d.Row(0, row);
    EXPECT_EQ(std::vector<std::uint32_t>(row, row + 4),
              (std::vector<std::uint32_t>{0xFF030303, 0xFF020202, 0xFF010101, bmp::kBlack}));
}

// A pixel the file's end cuts reads the bytes it has and zeros for the rest.
TEST(Decoder, APixelTheFileCutsReadsZerosForWhatItLacks) {
    const std::vector<BYTE> file = BmpFields{}.Size(2, 1).Pixels({1, 2, 3, 4, 5}).Build();
    const bmp::Decoder d = bmp::Decoder::OfFile(file);
    EXPECT_EQ(d.At(1, 0), (bmp::Bgrs{4, 5, 0, 0}));
}

// Writing through masks: channels packed, S into the alpha mask or the fourth byte's
// free bits, the other free bits kept, and a value a channel can't hold refused with the
// nearest values it can.
// Rows spelled in the codes of the T.4 recommendation's tables, terminating and make-up,
// white and black; a row read twice from one stream starts where the first ended.
TEST(Huffman, EachRowReadsAsTheRecommendationsCodesSpellIt) {
    using Runs = std::vector<std::pair<bool, std::int64_t>>; // black?, pixels
    const struct {
        const char* name;
        std::string bits;
        std::int64_t width;
        Runs runs;
    } rows[] = {
        {"white 22, black 24",
         "0000011"
         "00000010111",
         46,
         {{false, 22}, {true, 24}}},
        {"black 48 and 57",
         "00110101"
         "000001100100"
         "1000"
         "000001011000",
         108,
         {{false, 0}, {true, 48}, {false, 3}, {true, 57}}},
        {"make-up 448 of each",
         "01100100"
         "00110101"
         "000000110101"
         "0000110111",
         896,
         {{false, 448}, {false, 0}, {true, 448}, {true, 0}}},
        {"make-up 64 and 512",
         "11011"
         "0111"
         "0000001101100"
         "010",
         579,
         {{false, 64}, {false, 2}, {true, 512}, {true, 1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string twice = row.bits + row.bits;
        std::vector<std::uint8_t> stream((twice.size() + 7) / 8 + 2);
        for (std::size_t i = 0; i < twice.size(); ++i)
            if (twice[i] == '1')
                stream[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        bmp::HuffmanReader reader(stream, row.width);
        for (int pass = 0; pass < 2; ++pass) {
            const bmp::HuffmanRow read = reader.Next();
            EXPECT_FALSE(read.fault) << read.fault->message;
            EXPECT_EQ(read.bit, pass * row.bits.size());
            Runs runs;
            for (const bmp::HuffmanCode& c : read.codes)
                if (c.kind != bmp::HuffmanCode::Kind::EndOfLine)
                    runs.emplace_back(c.black, c.run);
            EXPECT_EQ(runs, row.runs);
        }
    }
}

TEST(PixelWrite, APixelIsWrittenThroughItsMasksOrRefused) {
    const auto format = [](int bits, std::vector<std::uint32_t> masks) {
        BmpFields f = BmpFields{}.Bits(bits).Compression(masks.size() == 4 ? 6 : 3);
        for (std::uint32_t m : masks)
            for (int k = 0; k < 4; ++k)
                f.gap.push_back(static_cast<BYTE>(m >> (8 * k)));
        return bmp::Classify(bmp::ParseFile(f.Build()).header, bmp::Rules::File);
    };
    const struct {
        const char* name;
        bmp::PixelFormat format;
        bmp::Bgrs value;
        std::uint32_t old, stored;
        const char* refusal;
    } rows[] = {
        // clang-format off
        {"5-5-5 in 16 bits, bit 15 kept", format(16, {0x7C00, 0x03E0, 0x001F}), {8, 16, 24, 0}, 0x8000, 0x8000 | 3 << 10 | 2 << 5 | 1, ""},
        {"8-8-8 in 32 bits, S the fourth byte", format(32, {0xFF0000, 0xFF00, 0xFF}), {1, 2, 3, 0x5A}, 0, 0x5A030201, ""},
        {"an alpha mask takes S, not what it held", format(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}), {1, 2, 3, 0x10}, 0xFF000000, 0x10030201, ""},
        {"a 5-bit red", format(16, {0xF800, 0x07E0, 0x001F}), {8, 20, 30, 0}, 0, 0, "红色的掩码 0x0000F800 只有 5 位，写不出 30：它能存下的最接近的值是 24 和 33"},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(r.format.Decodes()) << r.format.refusal;
        const bmp::EncodedPixel e = bmp::EncodePixel(r.format, r.value, r.old);
        EXPECT_EQ(e.refusal, r.refusal);
        if (e.refusal.empty()) {
            EXPECT_EQ(e.value, r.stored);
        }
    }
}

TEST(Rle, EncodesAsADisplayDriverDoes) {
    const struct {
        std::vector<BYTE> row;
        std::vector<BYTE> codes;
    } rows[] = {
        // clang-format off
        {{1, 2, 7, 7, 7, 4, 5, 6}, {1, 1, 1, 2, 3, 7, 0, 3, 4, 5, 6, 0, 0, 0, 0, 1}},
        {{1, 2, 3, 4, 4}, {0, 3, 1, 2, 3, 0, 2, 4, 0, 0, 0, 1}},
        {std::vector<BYTE>(300, 7), {255, 7, 45, 7, 0, 0, 0, 1}},
        // clang-format on
    };
    for (const auto& r : rows)
        EXPECT_EQ(bmp::EncodeRle(r.row.data(), static_cast<std::int64_t>(r.row.size()), 1, false),
                  r.codes);
    // RLE4 literal stretches of 4 and 6 pixels: two bytes, and three padded.
    const std::vector<BYTE> four = {1, 2, 3, 4, 5, 5, 5, 5, 1, 2, 3, 4, 7, 8, 6, 6};
    const std::vector<BYTE> encoded = bmp::EncodeRle(four.data(), 16, 1, true);
    std::vector<BYTE> decoded(16, 0xFF);
    bmp::DecodeRle(bmp::RleStream{encoded.data(), encoded.size(), encoded.size(), 16, 1, 4},
                   [&](const bmp::RleRun& r) {
                       for (std::int64_t k = 0; k < r.n; ++k)
                           decoded[static_cast<size_t>(r.x + k)] = r.At(k);
                   });
    EXPECT_EQ(decoded, four);
}

TEST(RleIndex, AnswersOnlyForTheStreamAndShapeItWasMadeFrom) {
    const BYTE stream[] = {2, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
    const bmp::RleStream made{stream, sizeof stream, sizeof stream, 4, 2, 8};
    const auto index = bmp::RleIndex::Make(made);
    ASSERT_NE(index, nullptr);
    EXPECT_TRUE(index->Describes(made));
    const BYTE copy[sizeof stream] = {};
    for (bmp::RleStream other :
         {bmp::RleStream{copy, sizeof stream, sizeof stream, 4, 2, 8},
          bmp::RleStream{stream, sizeof stream - 2, sizeof stream - 2, 4, 2, 8},
          bmp::RleStream{stream, sizeof stream, sizeof stream, 5, 2, 8},
          bmp::RleStream{stream, sizeof stream, sizeof stream, 4, 3, 8},
          bmp::RleStream{stream, sizeof stream, sizeof stream, 4, 2, 4}})
        EXPECT_FALSE(index->Describes(other));
    // Bottom row 7 7 - -, the row above 1 2 3 -.
    const char* rows[2] = {"7 7 - - ", "1 2 3 - "};
    for (int y = 0; y < 2; ++y) {
        std::string got;
        for (int x = 0; x < 4; ++x) {
            const auto i = index->ValueAt(x, y);
            got += (i ? std::to_string(*i) : "-") + " ";
        }
        EXPECT_EQ(got, rows[y]);
    }
    // A literal pixel past the bytes held reads 0.
    const auto cut = bmp::RleIndex::Make(bmp::RleStream{stream + 4, 3, 8, 4, 1, 8});
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(std::pair(cut->ValueAt(0, 0), cut->ValueAt(1, 0)),
              std::pair(std::optional<std::uint32_t>(1), std::optional<std::uint32_t>(0)));
    // An RLE24 run's pixel is its colour: blue, green, red after the count.
    const BYTE triples[] = {2, 0x10, 0x20, 0x30, 0, 1};
    const auto rle24 = bmp::RleIndex::Make(bmp::RleStream{triples, 6, 6, 4, 1, 24});
    ASSERT_NE(rle24, nullptr);
    EXPECT_EQ(rle24->ValueAt(1, 0), std::optional<std::uint32_t>(0x302010));
}

// A long row of codes read pixel by pixel, out of order, from the index's places: every
// pixel names the code a walk of the whole stream sets it with.
TEST(RleIndex, APixelReadFromAPlaceInTheRowFindsTheCodeTheWalkFinds) {
    std::vector<BYTE> indices(300);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<BYTE>(i / 3 + (i % 7 == 0 ? 1 : 0));
    const std::vector<BYTE> codes = bmp::EncodeRle(indices.data(), 300, 1, false);
    const bmp::RleStream s{codes.data(), codes.size(), codes.size(), 300, 1, 8};
    const auto index = bmp::RleIndex::Make(s);
    ASSERT_NE(index, nullptr);
    for (std::int64_t x : {299, 0, 150, 17, 298, 1, 64, 63, 200})
        EXPECT_EQ(index->ValueAt(x, 0), std::optional<std::uint32_t>(indices[x])) << x;
    // A place for the row's first code and one for every 16 after it, no more.
    std::size_t runs = 0;
    bmp::DecodeRle(s, [&](const bmp::RleRun&) { ++runs; });
    EXPECT_EQ(index->Places(), (runs + 15) / 16);
}
