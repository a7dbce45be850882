// The file checker: each finding from a small file of its own, and the corpus.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "bmp_builder.h"
#include "codecs/stream_codecs.h"
#include "inspect/check_bitmap.h"
#include "inspect/describe.h"
#include "inspect/pixel_decoding.h"
#include "inspect/pixel_location.h"
#include "tests/corpus_manifest.h"

#include <gtest/gtest.h>

#include <array>

#include <cstring>
#include <filesystem>
#include <functional>

namespace {

using inspect::Severity;

template <typename T> void Poke(std::vector<BYTE>& b, size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

// A good 8-bit 4 x 2 picture with a full colour table.
BmpFields Eight() {
    return BmpFields{}.Bits(8).Table(std::vector<RGBQUAD>(256));
}

// A good 8-bit 4 x 2 run-length picture: each row two runs of two, then end of line.
BmpFields Rle(std::vector<BYTE> stream) {
    const auto size = static_cast<DWORD>(stream.size());
    return Eight().Compression(BI_RLE8).Pixels(std::move(stream)).SizeImage(size);
}
const std::vector<BYTE> kGoodStream = {2, 1, 2, 2, 0, 0, 2, 3, 2, 4, 0, 0, 0, 1};
constexpr DWORD kEmbedded = 0x4D424544; // a V5 header's colour space: its profile follows

// A 16-bit 4 x 2 picture with the given BI_BITFIELDS masks.
BmpFields BitFields16(const std::array<DWORD, 3>& masks) {
    BmpFields f = BmpFields{}.Bits(16).Compression(BI_BITFIELDS);
    for (DWORD m : masks)
        for (int k = 0; k < 4; ++k)
            f.gap.push_back(static_cast<BYTE>(m >> (8 * k)));
    return f;
}

std::vector<BYTE> Built(const BmpFields& f,
                        const std::function<void(std::vector<BYTE>&)>& edit = {}) {
    std::vector<BYTE> b = BuildBmp(f);
    if (edit)
        edit(b);
    return b;
}

// The file with the given DWORDs written at their offsets.
std::vector<BYTE> Poked(const BmpFields& f,
                        std::initializer_list<std::pair<size_t, DWORD>> values) {
    std::vector<BYTE> b = BuildBmp(f);
    for (const auto& [at, v] : values)
        Poke<DWORD>(b, at, v);
    return b;
}

// A finding on a field's bytes lies on exactly that field's bytes, by the name the
// header's kind gives it.
std::vector<inspect::Finding> Check(const std::vector<BYTE>& b) {
    auto findings = inspect::CheckBitmap(std::span(b.data(), b.size()));
    const bmp::File file = bmp::ParseFile(b, bmp::ImageStart(b, 0).value_or(0));
    std::vector<bmp::Field> fields = file.fields;
    fields.insert(fields.end(), file.header.fields.begin(), file.header.fields.end());
    for (const auto& f : findings) {
        const auto it = std::find_if(fields.begin(), fields.end(),
                                     [&](const bmp::Field& l) { return l.name == f.field; });
        if (f.field.empty())
            continue;
        if (it == fields.end()) {
            ADD_FAILURE() << f.field << " is no field of the file";
        } else if (f.length > 0) {
            EXPECT_EQ(std::pair(f.offset, f.length), std::pair(it->offset, std::uint64_t{it->size}))
                << f.id << " on " << f.field;
        }
    }
    return findings;
}

// A 2×1 OS/2 2.x picture in RLE24.
std::vector<BYTE> Rle24(std::vector<BYTE> stream) {
    const auto size = static_cast<DWORD>(stream.size());
    return BmpFields{}
        .Header(64)
        .Size(2, 1)
        .Compression(4)
        .Pixels(std::move(stream))
        .SizeImage(size)
        .Build();
}

TEST(Inspect, GoodFilesHaveNoFindings) {
    // Zeros after the end code are padding: whether it follows the last row's end of
    // line or ends that row itself.
    std::vector<BYTE> padded = kGoodStream, early = {2, 1, 2, 2, 0, 0, 2, 3, 2, 4, 0, 1, 0, 0};
    padded.insert(padded.end(), {0, 0});
    for (const BmpFields& f : {BmpFields{}, Eight(), Rle(kGoodStream), Rle(padded), Rle(early)}) {
        const auto findings = Check(BuildBmp(f));
        EXPECT_TRUE(findings.empty()) << findings.front().id << ": " << findings.front().message;
    }
    // A V5 header's embedded profile after the pixels, where it says it is.
    const auto profiled = Check(Built(BmpFields{}.Header(124), [](auto& b) {
        Poke<DWORD>(b, 70, kEmbedded);
        Poke<DWORD>(b, 126, static_cast<DWORD>(b.size() - 14));
        Poke<DWORD>(b, 130, 8);
        b.resize(b.size() + 8, 'p');
        Poke<DWORD>(b, 2, static_cast<DWORD>(b.size()));
    }));
    EXPECT_TRUE(std::none_of(profiled.begin(), profiled.end(),
                             [](const auto& f) { return f.id == "profile"; }));
    // A whole RLE24 stream (a run of two triples, the end) gets only its compression's
    // note; read as RLE8 its second code would run past the edge.
    const auto rle24 = Check(Rle24({2, 1, 2, 3, 0, 1}));
    ASSERT_EQ(rle24.size(), 2u) << rle24.back().id;
    EXPECT_EQ(rle24[1].id, "compression");
    // OS/2's Huffman 1D is named, not taken for bit fields: no masks, no size to match.
    const auto huffman = Check(BmpFields{}
                                   .Header(64)
                                   .Bits(1)
                                   .Compression(3)
                                   .Table(std::vector<RGBQUAD>(2))
                                   .SizeImage(5)
                                   .Build());
    // Its stream (the builder's 24-bit bytes) is no Huffman code: said at its first bit.
    ASSERT_EQ(huffman.size(), 3u) << huffman.back().id;
    EXPECT_EQ(huffman[1].id, "compression");
    EXPECT_EQ(huffman[2].id, "huffman-stream");
}

TEST(Inspect, EachFindingFromAFileOfItsOwn) {
    BmpFields masks = BmpFields{}.Bits(16).Compression(BI_BITFIELDS);
    masks.gap = {0x00, 0x7C, 0, 0, 0x00, 0x7E, 0, 0, 0x1F, 0, 0, 0}; // red and green overlap
    const BmpFields twoColours = Eight().Table(std::vector<RGBQUAD>(2)).ClrUsed(2);
    const BmpFields four = Eight().Table(std::vector<RGBQUAD>(4)).ClrUsed(4);
    BmpFields reserved, gap = Eight();
    reserved.reserved1 = 7;
    gap.gap.assign(6, 0);
    std::vector<BYTE> longStream; // an absolute run the file's end cuts far into it
    for (int k = 0; k < 400; ++k)
        longStream.insert(longStream.end(), {1, 0});
    longStream.insert(longStream.end(), {0, 3, 1, 9});
    const auto grown = [](int by) {
        return Built({}, [by](auto& b) {
            b.resize(b.size() + by); // zeros added, or bytes cut
            Poke<DWORD>(b, 2, static_cast<DWORD>(b.size()));
        });
    };
    const struct {
        const char* id;
        Severity severity;
        std::uint64_t offset;
        std::vector<BYTE> file;
        // "declared/actual" or "declared/actual/length" as the finding carries them, "-"
        // for none; null: not checked
        const char* values = nullptr;
        const char* says = nullptr; // a part of its message
    } cases[] = {
        // clang-format off
        {"magic", Severity::Error, 0, Built({}, [](auto& b) { b[1] = 'A'; })},
        {"truncated-header", Severity::Error, 30, Built({}, [](auto& b) { b.resize(30); })},
        // Cut inside a longer header than the reader takes, and before its size field: at
        // the file's end, no bytes long.
        {"truncated-header", Severity::Error, 100, Built(BmpFields{}.Header(124), [](auto& b) { b.resize(100); }), "138/100"},
        {"truncated-header", Severity::Error, 17, Built({}, [](auto& b) { b.resize(17); })},
        {"truncated-header", Severity::Error, 16, Built({}, [](auto& b) { b.resize(16); }), "-/16/0"},
        // Cut inside the size field: the file header is still checked.
        {"reserved", Severity::Note, 6, Built({}, [](auto& b) { b[6] = 7, b.resize(16); })},
        // Another kind of header is read, and said; a size no kind has stops checking.
        {"header-size", Severity::Note, 14, BmpFields{}.Header(108).Build(), "108/40"},
        {"header-size", Severity::Error, 14, BmpFields{}.Header(200).Build()},
        {"file-size", Severity::Warning, 2, Poked(BmpFields{}.Header(200), {{2, 9}})},
        // What V4 and V5 headers add.
        {"cs-type", Severity::Warning, 70, Poked(BmpFields{}.Header(108), {{70, 1}})},
        {"intent", Severity::Note, 122, Poked(BmpFields{}.Header(124), {{122, 3}})},
        // A profile of four bytes at the information header's own start, one past the
        // file's end, one over the pixels (they start 124 bytes after the header's start).
        {"profile", Severity::Warning, 126, Poked(BmpFields{}.Header(124), {{70, kEmbedded}, {130, 4}})},
        {"profile", Severity::Warning, 126, Poked(BmpFields{}.Header(124), {{70, kEmbedded}, {126, 1000}, {130, 100}}), "1000/162"},
        {"profile", Severity::Warning, 126, Poked(BmpFields{}.Header(124), {{70, kEmbedded}, {126, 128}, {130, 8}}), "128/162"},
        // The alpha mask has the blue mask's bits.
        {"alpha-mask", Severity::Warning, 66,
         Poked(BmpFields{}.Header(108).Bits(32).Compression(BI_BITFIELDS), {{54, 0xFF0000}, {58, 0xFF00}, {62, 0xFF}, {66, 0xFF}})},
        {"file-size", Severity::Warning, 2, Poked({}, {{2, 9}}), "9/78"},
        {"reserved", Severity::Note, 6, reserved.Build(), "7/0"},
        {"offbits-overlap", Severity::Error, 10, Eight().OffBits(60).Build()},
        {"offbits-overlap", Severity::Error, 10, Eight().OffBits(1074).Build()}, // the table's last entry
        {"offbits-gap", Severity::Note, 1078, gap.Build(), "-/6/6"},
        {"offbits-past-end", Severity::Error, 10, Poked({}, {{10, 5000}})},
        {"planes", Severity::Warning, 26, Built({}, [](auto& b) { Poke<WORD>(b, 26, 3); }), "3/1"},
        {"planes", Severity::Error, 26, Built({}, [](auto& b) { Poke<WORD>(b, 26, 0); })},
        {"bit-count", Severity::Error, 28, BmpFields{}.Bits(2).Table({{}, {}, {}, {}}).Build(), "2/-"},
        {"compression", Severity::Error, 30, BmpFields{}.Compression(BI_RLE8).Build(), nullptr, "RLE8 压缩需要 8 位像素，这里是 24 位"},
        {"compression", Severity::Error, 30, BmpFields{}.Bits(8).Compression(BI_RLE4).Table(std::vector<RGBQUAD>(256)).Build(), nullptr, "RLE4 压缩需要 4 位像素"},
        {"width", Severity::Error, 18, BmpFields{}.Size(-4, 2).Pixels(std::vector<BYTE>(24)).Build()},
        {"height", Severity::Error, 22, Rle(kGoodStream).Size(4, -2).Build()},
        {"size-image", Severity::Warning, 34, BmpFields{}.SizeImage(999).Build()},
        {"size-image", Severity::Note, 34, BmpFields{}.NoSizeImage().Build(), "0/24"},
        {"size-image", Severity::Error, 34, Poked(Rle(kGoodStream), {{34, 0}})},
        {"size-image", Severity::Error, 34, Poked(Eight().Pixels({0}).NoSizeImage(), {{18, 65536}, {22, 65536}})},
        {"clr-used", Severity::Warning, 46, Eight().ClrUsed(300).Build()},
        // The colour table would pass bfOffBits; pixels where the table would start leave
        // room for no entry.
        {"clr-used", Severity::Error, 46, BmpFields{}.ClrUsed(10).Build()},
        {"clr-used", Severity::Error, 46, Eight().Table({{}}).ClrUsed(1).OffBits(54).Build(), "1/0"},
        // Its high byte counts too: 2^24 is more than two colours.
        {"clr-important", Severity::Warning, 50, Poked(twoColours, {{50, 3}})},
        {"clr-important", Severity::Warning, 50, Poked(twoColours, {{50, 1u << 24}})},
        {"density", Severity::Warning, 38, Poked({}, {{38, 0xFFFFFFFF}, {42, 0xFFFFFFFF}})},
        {"density", Severity::Warning, 38, Poked({}, {{38, 100000}})},
        {"density", Severity::Warning, 42, Poked({}, {{42, static_cast<DWORD>(-5)}})},
        {"masks", Severity::Warning, 54, BuildBmp(masks)},
        {"masks", Severity::Error, 54, BuildBmp(BitFields16({0xF800, 0, 0x1F}))},
        {"masks", Severity::Warning, 54, BuildBmp(BitFields16({0xFF0000, 0xFF00, 0xFF}))},
        {"pixels-truncated", Severity::Error, 54, grown(-5)},
        // One whole row of two and 5 bytes; then a 1 KB file that declares 10^10 pixels.
        {"pixels-truncated", Severity::Error, 54, BmpFields{}.Pixels(std::vector<BYTE>(12 + 5)).Build(), "24/17"},
        {"pixels-truncated", Severity::Error, 54, BmpFields{}.Size(100000, 100000).Pixels(std::vector<BYTE>(1024 - 54)).Build(), "30000000000/970"},
        {"trailing-data", Severity::Note, 54 + 24, grown(3)},
        // Indices the table lacks, bottom row first: (1, 0) is the first; top-down, the
        // same stored rows are the other way up. They lie all over the array.
        {"palette-index", Severity::Warning, 70, BmpFields(four).Pixels({0, 1, 2, 3, 0, 9, 7, 0}).Build(), "4/2/0", "(1, 0)"},
        {"palette-index", Severity::Warning, 70, BmpFields(four).Size(4, -2).Pixels({0, 1, 2, 3, 0, 9, 7, 0}).Build(), "4/2/0", "(1, 1)"},
        {"palette-index", Severity::Warning, 62, BmpFields(twoColours).Size(1, 2).Pixels({0, 0, 0, 0, 5, 0, 0, 0}).Build()}, // 1 wide
        // Every index is outside a one-entry table, but only the five pixels the file holds.
        {"palette-index", Severity::Warning, 58,
         Built(Eight().Table({{}}).ClrUsed(1).Pixels(std::vector<BYTE>(8, 9)), [](auto& b) { b.resize(54 + 4 + 5); }), "1/5"},
        // Run-length faults say what the drawing does with them, and checking goes on. A
        // run past the edge is its two-byte code.
        {"rle-stream", Severity::Warning, 1078 + 2, BuildBmp(Rle({2, 1, 3, 1, 0, 0, 0, 1})), "-/-/2"},
        {"rle-stream", Severity::Warning, 1078, BuildBmp(Rle({0, 2, 9, 0, 0, 1}))},
        {"rle-stream", Severity::Warning, 1078, BuildBmp(Rle({0, 3, 1, 2}))},
        {"rle-end", Severity::Note, 1078 + 4, BuildBmp(Rle({4, 1, 0, 0}))},
        {"rle-stream", Severity::Warning, 1078, BuildBmp(Rle({0, 2, 1}))}, // a cut delta
        // Zeros past the file's end, then one byte of its odd size: a cut code, not a hang.
        {"rle-stream", Severity::Warning, 62 + 4, Rle({0, 0, 0, 0}).Size(4, 10).Table(std::vector<RGBQUAD>(2)).ClrUsed(2).SizeImage(5).Build()},
        // A delta, then an absolute run padded to a word: two pixels no code sets.
        {"rle-unset", Severity::Warning, 1078, BuildBmp(Rle({0, 2, 2, 0, 2, 1, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1}))},
        // Drawn whole without its end code; a run past the edge, and an index the
        // table lacks after it, both found.
        {"rle-end", Severity::Note, 54 + 8 + 4, Rle({2, 5, 0, 0}).Size(2, 1).Table(std::vector<RGBQUAD>(2)).ClrUsed(2).Build()},
        {"palette-index", Severity::Warning, 54 + 8,
         BmpFields{}.Size(3, 2).Bits(4).Compression(BI_RLE4).Table(std::vector<RGBQUAD>(2)).ClrUsed(2).Pixels({4, 0x12, 0, 0, 2, 0xFF, 0, 1}).SizeImage(8).Build()},
        {"palette-index", Severity::Warning, 54 + 8, Rle({2, 1, 2, 9, 0, 0, 0, 1}).Table(std::vector<RGBQUAD>(2)).ClrUsed(2).Build()},
        {"palette-index", Severity::Warning, 54 + 8,
         Rle(longStream).Size(410, 1).Table(std::vector<RGBQUAD>(2)).ClrUsed(2).SizeImage(static_cast<DWORD>(longStream.size() + 4)).Build()},
        // Non-zero bytes after an end code that ends the last row are never drawn.
        {"trailing-data", Severity::Note, 1078 + 12, BuildBmp(Rle({2, 1, 2, 2, 0, 0, 2, 3, 2, 4, 0, 1, 5, 5}))},
        // OS/2's RLE24 is read, through the same stream checks: a code the stream's end
        // cuts, a triple's run past the edge.
        {"rle-stream", Severity::Warning, 78, Rle24({3, 1, 2})},
        {"compression", Severity::Note, 30, Rle24({3, 1, 2, 3, 0, 1})},
        {"rle-stream", Severity::Warning, 78, Rle24({3, 1, 2, 3, 0, 1})},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id + std::string(" at ") + std::to_string(c.offset));
        const auto findings = Check(c.file);
        auto it = std::find_if(findings.begin(), findings.end(), [&](const inspect::Finding& f) {
            return f.id == c.id && f.severity == c.severity;
        });
        ASSERT_NE(it, findings.end()) << (findings.empty() ? "nothing" : findings[0].id);
        EXPECT_EQ(it->offset, c.offset);
        EXPECT_FALSE(it->message.empty());
        const auto text = [](const auto& v) { return v ? std::to_string(*v) : "-"; };
        std::string values = text(it->declared) + "/" + text(it->actual);
        if (c.values != nullptr && std::count(c.values, c.values + std::strlen(c.values), '/') == 2)
            values += "/" + std::to_string(it->length);
        EXPECT_TRUE(c.values == nullptr || values == c.values) << values;
        EXPECT_TRUE(c.says == nullptr || it->message.find(c.says) != std::string::npos)
            << it->message;
        EXPECT_TRUE(
            std::is_sorted(findings.begin(), findings.end(),
                           [](const auto& a, const auto& b) { return a.offset < b.offset; }));
    }
    // A file cut inside its header is checked no further than its bytes go.
    std::vector<std::string> ids;
    for (const auto& f : Check(Built({}, [](auto& b) { b.resize(30); })))
        ids.push_back(f.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"file-size", "truncated-header"}));
}

TEST(Inspect, ClampedTablesHaveNoGapAndSizesPast2To63AreSaidInWords) {
    // 257 entries at 8 bits: the last is the table's own, unused, not a gap.
    const auto clamped = Check(Eight().Table(std::vector<RGBQUAD>(257)).ClrUsed(257).Build());
    EXPECT_TRUE(std::none_of(clamped.begin(), clamped.end(),
                             [](const auto& f) { return f.id == "offbits-gap"; }));
    const auto huge = Check(Built({}, [](auto& b) {
        Poke<LONG>(b, 18, 0x7FFFFFFF);
        Poke<LONG>(b, 22, INT32_MIN);
        Poke<WORD>(b, 28, 32);
    }));
    ASSERT_FALSE(huge.empty());
    for (const auto& f : huge)
        EXPECT_EQ(f.message.find("9223372036854775807"), std::string::npos) << f.message;
    EXPECT_TRUE(std::any_of(huge.begin(), huge.end(), [](const auto& f) {
        return f.message.find("超过 2^63") != std::string::npos;
    }));
}

TEST(Inspect, TheLocatorRefusesFormatsWithNoPixelLayout) {
    for (const auto& [file, says] :
         {std::pair{BmpFields{}.Bits(12).Build(), "像素位数 12"},
          {BmpFields{}.Compression(4).Build(), "JPEG"},
          {BmpFields{}.Compression(5).Build(), "PNG"},
          {BmpFields{}.Header(64).Bits(1).Compression(3).Table(std::vector<RGBQUAD>(2)).Build(),
           "Huffman"}}) {
        std::string error;
        EXPECT_FALSE(inspect::LocatePixel(file, 0, 0, error).has_value()) << says;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
}

TEST(Inspect, WhereEachPixelLives) {
    // (10, 0): top row, second byte, bit 5
    const BmpFields one =
        BmpFields{}.Size(12, 2).Bits(1).Table({{}, {}}).Pixels({0, 0, 0, 0, 0, 0x20, 0, 0});
    const BmpFields rle4 = BmpFields{}
                               .Size(4, 1)
                               .Bits(4)
                               .Compression(BI_RLE4)
                               .Table(std::vector<RGBQUAD>(16))
                               .Pixels({4, 0x12, 0, 1})
                               .SizeImage(4);
    std::vector<BYTE> cut = BuildBmp(BmpFields{});
    cut.pop_back();
    std::vector<BYTE> rows(24);
    rows[12 + 9] = 7, rows[12 + 10] = 8, rows[12 + 11] = 9; // (3, 1): second stored row
    const BmpFields topDown = BmpFields{}.Size(4, -2).Pixels(rows);
    const struct {
        const char* name;
        std::vector<BYTE> file;
        int x, y;
        std::optional<std::uint64_t> offset;
        std::optional<int> bit;
        std::int64_t row;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"1 bit", BuildBmp(one), 10, 0, 62 + 4 + 1, 5, 1, {0x20}},
        {"24 bits, bottom row", BuildBmp(BmpFields{}), 1, 1, 54 + 3, std::nullopt, 0, {0, 0, 0}},
        {"top-down", BuildBmp(topDown), 3, 1, 54 + 12 + 9, std::nullopt, 1, {7, 8, 9}},
        {"8 bits",
         BuildBmp(Eight().Pixels({1, 2, 3, 4, 5, 6, 7, 8})),
         1,
         0,
         1078 + 4 + 1,
         std::nullopt,
         1,
         {6}},
        {"run-length code", BuildBmp(Rle(kGoodStream)), 3, 0, 1078 + 8, std::nullopt, 1, {2, 4}},
        // clang-format off
        {"run-length, no code", BuildBmp(Rle({2, 1, 0, 1})), 3, 1, std::nullopt, std::nullopt, 0, {}},
        {"run-length, past the declared size", BuildBmp(Rle({0, 0, 2, 7, 0, 1}).SizeImage(2)), 0, 0, std::nullopt, std::nullopt, 1, {}},
        {"run-length, no declared size, no end code", BuildBmp(Rle({2, 1}).SizeImage(0).NoSizeImage()), 3, 1, std::nullopt, std::nullopt, 0, {}},
        {"run-length, after the end code", BuildBmp(Rle({2, 1, 0, 1, 2, 2})), 2, 1, std::nullopt, std::nullopt, 0, {}},
        {"run-length, after a delta", BuildBmp(Rle({0, 2, 2, 0, 2, 7, 0, 1})), 3, 1, 1078 + 4, std::nullopt, 0, {2, 7}},
        {"run-length, inside an absolute run", BuildBmp(Rle({0, 3, 1, 2, 3, 0, 1, 4, 0, 1})), 1, 1, 1078 + 3, std::nullopt, 0, {2}},
        {"4-bit, inside an absolute run", BuildBmp(BmpFields(rle4).Pixels({0, 3, 0x12, 0x30, 0, 1})), 1, 0, 118 + 2, 3, 0, {0x12}},
        // The stream as the open command reads it: biSizeImage bytes, zeros past the file.
        {"run-length, cut by the file inside its size", BuildBmp(Rle({0, 6, 0x11, 0x22, 0x33}).Size(8, 1).SizeImage(10)), 0, 0, 1078 + 2, std::nullopt, 0, {0x11}},
        {"run-length, a code the file's end cuts", BuildBmp(Rle({2}).Size(4, 1).SizeImage(10)), 1, 0, 1078, std::nullopt, 0, {2}},
        {"run-length, past the rows' size", BuildBmp(Rle({0, 2, 4, 0, 1, 3, 1, 3, 1, 3, 1, 3, 0, 1}).Size(8, 1).SizeImage(0).NoSizeImage()), 7, 0, std::nullopt, std::nullopt, 0, {}},
        {"24 bits past biSizeImage", BuildBmp(BmpFields{}.Size(2, 2).SizeImage(8).Pixels(std::vector<BYTE>(16, 9))), 0, 0, 54 + 8, std::nullopt, 1, {}},
        {"run-length, after an absolute run", BuildBmp(Rle({0, 3, 1, 2, 3, 0, 1, 4, 0, 1})), 3, 1, 1078 + 6, std::nullopt, 0, {1, 4}},
        {"4-bit run-length", BuildBmp(rle4), 2, 0, 118, std::nullopt, 0, {4, 0x12}},
        {"24 bits cut by the file's end", cut, 3, 0, 54 + 12 + 9, std::nullopt, 1, {0, 0}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const auto p =
            inspect::LocatePixel(std::span(c.file.data(), c.file.size()), c.x, c.y, error);
        ASSERT_TRUE(p.has_value()) << error;
        EXPECT_EQ(p->x, c.x);
        EXPECT_EQ(p->y, c.y);
        EXPECT_EQ(p->offset, c.offset);
        EXPECT_EQ(p->bit, c.bit);
        EXPECT_EQ(p->row, c.row);
        EXPECT_EQ(p->bytes, c.bytes);
    }
    std::string error;
    const std::vector<BYTE> plain = BuildBmp(BmpFields{});
    EXPECT_FALSE(inspect::LocatePixel(std::span(plain.data(), plain.size()), 4, 0, error));
    EXPECT_EQ(error, "输入的坐标超过图像大小了⊙﹏⊙b汗");
    const std::vector<BYTE> notBmp = {'B', 'A', 0, 0};
    EXPECT_FALSE(inspect::LocatePixel(std::span(notBmp.data(), notBmp.size()), 0, 0, error));
    EXPECT_EQ(error, "没有可读的信息头");
}

// What the window says, in Chinese: where a pixel lives and how many findings of each kind.
TEST(Inspect, TheWindowSaysWhereAPixelLivesAndWhatWasFoundInChinese) {
    inspect::PixelLocation bit{3, 4, 0x3E, 5, 2, 0x3C, 4, 3, {0x20}, false};
    inspect::PixelLocation cut{0, 0, 0x36, std::nullopt, 0, 0x36, 12, 0, {}, false};
    inspect::PixelLocation code{1, 0, 0x40A, std::nullopt, 7, 0, 0, 0, {2, 4}, true};
    inspect::PixelLocation none{1, 0, std::nullopt, std::nullopt, 0, 0, 0, 0, {}, true};
    const struct {
        const inspect::PixelLocation& where;
        const char* text;
    } cases[] = {
        {bit, "像素(3,4)\n文件偏移 0x0000003e (62)，第 5 位\n存储行 2，行首偏移 0x0000003c (60)\n"
              "行跨度 4 字节，填充 3 字节\n像素字节 20"},
        {cut, "像素(0,0)\n文件偏移 0x00000036 (54)\n存储行 0，行首偏移 0x00000036 (54)\n"
              "行跨度 12 字节，填充 0 字节\n像素字节 (超出文件末尾)"},
        {code, "像素(1,0)\n设置它的游程编码位于 0x0000040a (1034)：02 04\n存储行 7"},
        {none, "像素(1,0)\n没有游程编码设置这个像素\n存储行 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(inspect::DescribePixelLocation(c.where), c.text);
    EXPECT_EQ(inspect::HexBytes({0x0a, 0xff, 0}, ""), "0aff00");
    using inspect::Severity;
    EXPECT_EQ(inspect::SummariseFindings({}), "没有发现问题：文件与它的字段一致。");
    std::vector<inspect::Finding> found(3);
    found[0].severity = found[2].severity = Severity::Warning;
    found[1].severity = Severity::Note;
    EXPECT_EQ(inspect::SummariseFindings(found), "共 3 条：错误 0 条，警告 2 条，提示 1 条。");
}

TEST(Inspect, TheCorpusBadFilesAreFlaggedAndTheGoodOnesAreClean) {
    const std::string root = std::string(PIXSCOPE_CORPUS) + "/bmpsuite";
    if (!std::filesystem::exists(root))
        GTEST_SKIP() << "no corpus";
    int bad = 0, good = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.path().extension() != ".bmp")
            continue;
        const std::vector<BYTE> bytes = ReadFileBytes(e.path().string());
        const auto findings = Check(bytes);
        const bool flagged = std::any_of(findings.begin(), findings.end(), [](const auto& f) {
            return f.severity != Severity::Note;
        });
        const std::string folder = e.path().parent_path().filename().string();
        SCOPED_TRACE(e.path().string());
        if (folder == "b") {
            EXPECT_TRUE(flagged);
            ++bad;
        } else if (folder == "g") {
            EXPECT_FALSE(flagged) << findings.front().id << ": " << findings.front().message;
            ++good;
        }
    }
    EXPECT_EQ(bad, 20);
    EXPECT_EQ(good, 27);
}

} // namespace

// Every masked pixel of the corpus: each channel's value is raw cut by its mask, and its
// 8-bit result is the colour the decoder gives; an indexed pixel's entry is the colour.
TEST(PixelDecoding, EachStepFollowsFromTheStoredValue) {
    codecs::InstallStreamDecoders();
    std::int64_t masked = 0, indexed = 0;
    for (const CorpusFile& c : ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite")) {
        const std::vector<BYTE> file = ReadFileBytes(c.path);
        const auto start = bmp::ImageStart(file, 0).value_or(0);
        const bmp::Decoder d = bmp::Decoder::OfFile(file, bmp::Rules::File, start);
        const bmp::Header h = bmp::ParseFile(file, start).header;
        if (!d.Decodes() || d.Width() * d.Height() > 1 << 16)
            continue;
        SCOPED_TRACE(c.path);
        for (std::int64_t y = 0; y < d.Height(); ++y)
            for (std::int64_t x = 0; x < d.Width(); ++x) {
                const inspect::PixelDecoding p = inspect::DecodePixel(d, h, file, x, y);
                const auto colour = d.At(x, y);
                for (const inspect::ChannelStep& ch : p.channels) {
                    ASSERT_TRUE(p.raw);
                    const std::uint32_t mask = ch.mask, shift = __builtin_ctz(mask);
                    ASSERT_EQ(ch.value, (*p.raw & mask) >> shift)
                        << ch.name << " " << x << "," << y;
                    const std::uint8_t want = std::string(ch.name) == "red"     ? colour->r
                                              : std::string(ch.name) == "green" ? colour->g
                                              : std::string(ch.name) == "blue"  ? colour->b
                                                                                : colour->s;
                    ASSERT_EQ(ch.widened, want) << ch.name << " " << x << "," << y;
                    ++masked;
                }
                if (p.index && p.entry && p.entry->inTable && p.entry->r) {
                    ASSERT_EQ((std::array{*p.entry->b, *p.entry->g, *p.entry->r}),
                              (std::array{colour->b, colour->g, colour->r}))
                        << x << "," << y;
                    ++indexed;
                }
            }
    }
    EXPECT_GT(masked, 100000);
    EXPECT_GT(indexed, 100000);
}
