// Pixscope's reading of every conformance file against the suite's own renderings: one of
// the pictures the suite gives as right must match it at every pixel.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/embedded.h"
#include "bmp_builder.h"
#include "codecs/png_file.h"
#include "codecs/stream_codecs.h"
#include "inspect/check_bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kSuite = std::string(PIXSCOPE_CORPUS) + "/bmpsuite";

struct Row {
    std::string file;
    std::vector<std::string> renderings;
};

std::vector<Row> ReadRenderings() {
    std::ifstream in(kSuite + "/reference/renderings.tsv");
    std::vector<Row> rows;
    std::string line;
    std::getline(in, line); // the heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Row row;
        fields >> row.file;
        for (std::string r; fields >> r;)
            row.renderings.push_back(r);
        if (!row.file.empty())
            rows.push_back(row);
    }
    return rows;
}

codecs::RgbaPicture Rendering(const std::string& name) {
    const std::vector<BYTE> bytes = ReadFileBytes(kSuite + "/reference/" + name);
    return name.ends_with(".jpg") ? codecs::ReadJpeg(bytes) : codecs::ReadPng(bytes);
}

// Where the two differ by more than the tolerance, as "x,y" and both colours; empty when
// they match. RGB counts only where the pixel is not wholly transparent.
std::string FirstDifference(const bmp::Decoder& d, bmp::Skipped skipped,
                            const codecs::RgbaPicture& want, int tolerance) {
    if (want.width != d.Width() || want.height != d.Height())
        return "size " + std::to_string(want.width) + "x" + std::to_string(want.height);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(d.Width()) * 4);
    for (std::int64_t y = 0; y < d.Height(); ++y) {
        d.Rgba(y, row.data(), skipped);
        for (std::int64_t x = 0; x < d.Width(); ++x) {
            const std::uint8_t* got = &row[static_cast<std::size_t>(x) * 4];
            const std::uint8_t* ref = &want.rgba[static_cast<std::size_t>(y * d.Width() + x) * 4];
            bool same = got[3] == ref[3];
            for (int c = 0; c < 3 && same && ref[3] != 0; ++c)
                same = std::abs(got[c] - ref[c]) <= tolerance;
            if (!same) {
                std::ostringstream s;
                s << x << "," << y << " got " << int{got[0]} << " " << int{got[1]} << " "
                  << int{got[2]} << " " << int{got[3]} << " want " << int{ref[0]} << " "
                  << int{ref[1]} << " " << int{ref[2]} << " " << int{ref[3]};
                return s.str();
            }
        }
    }
    return {};
}

// One step where a channel is narrower or wider than 8 bits or the colour is converted
// from linear light (widening and rounding conventions differ); a JPEG decoder's own
// rounding.
int ToleranceOf(const bmp::PixelFormat& f) {
    if (f.encoding == bmp::Encoding::Embedded && f.compression == bmp::kJpeg)
        return 3;
    if (f.encoding == bmp::Encoding::Rgba64)
        return 1;
    for (const bmp::Channel* c : {&f.red, &f.green, &f.blue})
        if (f.encoding == bmp::Encoding::Masked && c->bits > 0 && c->bits != 8)
            return 1;
    return 0;
}

} // namespace

TEST(DecodeReference, EveryFileMatchesOneOfTheSuitesRenderings) {
    if (!std::filesystem::exists(kSuite + "/reference/renderings.tsv"))
        GTEST_SKIP() << "no renderings at " << kSuite;
    codecs::InstallStreamDecoders();
    int compared = 0;
    for (const Row& row : ReadRenderings()) {
        // The bad files' renderings are one reader's guess; they need only fail cleanly.
        if (row.file.starts_with("b/") || !std::filesystem::exists(kSuite + "/" + row.file))
            continue; // or left out of the corpus (an embedded profile's licence)
        SCOPED_TRACE(row.file);
        const std::vector<BYTE> bytes = ReadFileBytes(kSuite + "/" + row.file);
        const auto start = bmp::ImageStart(bytes, 0);
        ASSERT_TRUE(start.has_value());
        const bmp::Decoder d = bmp::Decoder::OfFile(bytes, bmp::Rules::File, *start);
        ASSERT_TRUE(d.Decodes()) << d.Refusal();
        std::string differences;
        bool matched = false;
        for (const std::string& name : row.renderings) {
            const codecs::RgbaPicture want = Rendering(name);
            ASSERT_TRUE(want.error.empty()) << name << ": " << want.error;
            for (bmp::Skipped s :
                 {bmp::Skipped::Entry0, bmp::Skipped::Black, bmp::Skipped::Transparent}) {
                const std::string diff = FirstDifference(d, s, want, ToleranceOf(d.Format()));
                matched = matched || diff.empty();
                differences += name + ": " + diff + "; ";
            }
        }
        EXPECT_TRUE(matched) << differences;
        ++compared;
    }
    EXPECT_EQ(compared, 69);
}

// What is wrong inside the formats the open command does not read, at its byte.
TEST(DecodeReference, TheCheckerFindsFaultsInsideTheirStreams) {
    if (!std::filesystem::exists(kSuite + "/q/rgb24png.bmp"))
        GTEST_SKIP() << "no corpus at " << kSuite;
    codecs::InstallStreamDecoders();
    const auto poke = [](std::vector<BYTE> b, std::size_t at, std::vector<BYTE> bytes) {
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
    const std::vector<BYTE> png = ReadFileBytes(kSuite + "/q/rgb24png.bmp"),
                            huffman = ReadFileBytes(kSuite + "/q/pal1huffmsb.bmp"),
                            array = ReadFileBytes(kSuite + "/x/ba-bm.bmp"),
                            plain = ReadFileBytes(kSuite + "/g/rgb24.bmp");
    const struct {
        const char* name;
        std::vector<BYTE> file;
        const char* id;
        inspect::Severity severity;
        std::uint64_t offset;
        const char* says;
    } rows[] = {
        {"an IDAT byte changed: its CRC", poke(png, 300, {0xFF, 0xFF}), "embedded-stream",
         inspect::Severity::Warning, 0xCD, "IDAT：CRC 不符"},
        {"an IDAT byte changed: libpng's refusal", poke(png, 300, {0xFF, 0xFF}), "embedded-stream",
         inspect::Severity::Error, 0x8A, "libpng："},
        {"a Huffman code not in the tables", poke(huffman, 500, {0, 0, 0}), "huffman-stream",
         inspect::Severity::Warning, 500, "T.4"},
        {"a chain past the file", poke(array, 6, {0xFF, 0xFF, 0, 0}), "bitmap-array",
         inspect::Severity::Error, 6, "offNext"},
        {"CMYK: print data", poke(plain, 30, {11}), "compression", inspect::Severity::Error, 30,
         "打印机"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto findings = inspect::CheckBitmap(row.file);
        const auto it = std::find_if(findings.begin(), findings.end(), [&](const auto& f) {
            return f.id == row.id && f.severity == row.severity;
        });
        ASSERT_NE(it, findings.end());
        EXPECT_EQ(it->offset, row.offset);
        EXPECT_NE(it->message.find(row.says), std::string::npos) << it->message;
    }
}

// The structure of the suite's embedded streams, and of streams cut or incomplete.
TEST(DecodeReference, AStreamsPartsGiveItsSizeAndItsFaults) {
    if (!std::filesystem::exists(kSuite + "/q/rgb24png.bmp"))
        GTEST_SKIP() << "no corpus at " << kSuite;
    const auto streamOf = [](const std::string& name) {
        const std::vector<BYTE> file = ReadFileBytes(kSuite + "/q/" + name);
        return std::vector<std::uint8_t>(file.begin() + 0x8A, file.end());
    };
    const std::vector<std::uint8_t> png = streamOf("rgb24png.bmp"),
                                    jpeg = streamOf("rgb24jpeg.bmp");
    const std::vector<std::uint8_t> cut(png.begin(), png.begin() + 300),
        noHeader = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0,    0,
                    0,    0,   'I', 'E', 'N',  'D',  0xAE, 0x42, 0x60, 0x82};
    std::vector<std::uint8_t> badStart = jpeg;
    badStart[2] = 0; // after SOI, no marker
    const struct {
        const char* name;
        bmp::StreamKind kind;
        std::vector<std::uint8_t> stream;
        std::int64_t width, height;
        const char* last; // the last part's name
        const char* fault;
    } rows[] = {
        {"the suite's PNG", bmp::StreamKind::Png, png, 127, 64, "IEND", ""},
        {"the suite's JPEG", bmp::StreamKind::Jpeg, jpeg, 127, 64, "EOI", ""},
        {"a PNG cut inside IDAT", bmp::StreamKind::Png, cut, 127, 64, "IDAT", "*"},
        {"a PNG without IHDR", bmp::StreamKind::Png, noHeader, 0, 0, "IEND", "没有 IHDR"},
        {"a JPEG with no marker after SOI", bmp::StreamKind::Jpeg, badStart, 0, 0, "无法识别的数据",
         "FF 标记"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bmp::StreamLayout l = bmp::ReadStreamLayout(row.kind, row.stream);
        EXPECT_EQ(std::pair(l.width, l.height), std::pair(row.width, row.height));
        ASSERT_FALSE(l.parts.empty());
        EXPECT_EQ(l.parts.back().name, row.last);
        if (std::string(row.fault).empty())
            EXPECT_EQ(l.fault, "");
        else if (std::string(row.fault) != "*")
            EXPECT_NE(l.fault.find(row.fault), std::string::npos) << l.fault;
        else
            EXPECT_NE(l.fault, "");
    }
    // A short stream may still make a megapixel; a long one a thousandfold of its bytes.
    EXPECT_EQ(bmp::MostStreamPixels(10), std::uint64_t{1} << 20);
    EXPECT_EQ(bmp::MostStreamPixels(std::uint64_t{1} << 16), std::uint64_t{2048} << 16);
}
