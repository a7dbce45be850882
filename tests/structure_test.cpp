// The structure of BMP files of every header kind, as other programs write them and as
// the file's end cuts them: regions cover every byte once, fields read as xxd shows.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "bmp_builder.h"
#include "codecs/stream_codecs.h"
#include "corpus_manifest.h"
#include "inspect/pixel_location.h"
#include "inspect/structure.h"
#include "structure/bmp_structure_model.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

const std::string kProducers = PIXSCOPE_PRODUCERS;

inspect::Structure Describe(const std::vector<BYTE>& bytes) {
    return inspect::DescribeStructure(std::span(bytes.data(), bytes.size()));
}

const inspect::StructureField* Find(const inspect::Structure& s, const std::string& name) {
    for (const auto& r : s.regions)
        for (const auto& f : r.fields)
            if (f.name == name)
                return &f;
    return nullptr;
}

} // namespace

TEST(Structure, FieldsOfEveryHeaderKindReadAsTheBytesSay) {
    // Offsets, raw bytes and values as `xxd` shows them in each file.
    const struct {
        const char* file;
        const char* field;
        std::uint64_t offset;
        const char* raw;
        const char* value;
    } cases[] = {
        {"im-default.bmp", "bV5RedMask", 0x36, "0000ff00", "0x00ff0000"},
        {"im-default.bmp", "bV5CSType", 0x46, "42475273", "'sRGB'"},
        {"im-default.bmp", "bV5Intent", 0x7a, "04000000", "4 (LCS_GM_IMAGES)"},
        {"im-default.bmp", "bV5SizeImage", 0x22, "18010000", "280"},
        {"gm-alpha.bmp", "bV4V4Compression", 0x1e, "03000000", "3 (BI_BITFIELDS)"},
        {"gm-alpha.bmp", "bV4AlphaMask", 0x42, "000000ff", "0xff000000"},
        {"gm-alpha.bmp", "bV4XPelsPerMeter", 0x26, "6d0b0000", "2925"},
        {"netpbm-os2.bmp", "bcWidth", 0x12, "0d00", "13"},
        {"netpbm-os2.bmp", "bcBitCount", 0x18, "0800", "8"},
        {"im-bmp2.bmp", "bcBitCount", 0x18, "1800", "24"},
        {"gm-palette.bmp", "biCompression", 0x1e, "01000000", "1 (BI_RLE8)"},
        {"gm-palette.bmp", "bfOffBits", 0x0a, "36040000", "1078"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.field);
        const auto s = Describe(ReadFileBytes(kProducers + "/" + c.file));
        const inspect::StructureField* f = Find(s, c.field);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->offset, c.offset);
        EXPECT_EQ(f->raw, c.raw);
        EXPECT_EQ(f->value, c.value);
        EXPECT_FALSE(f->meaning.empty());
    }
    // An OS/2 1.x colour table of three-byte entries.
    const auto os2 = Describe(ReadFileBytes(kProducers + "/netpbm-os2.bmp"));
    ASSERT_EQ(os2.regions.size(), 4u);
    EXPECT_EQ(std::pair(os2.regions[2].name, os2.regions[2].size),
              std::pair(std::string("颜色表"), std::uint64_t{256 * 3}));
}

// Files of every kind, other programs' and the corpus's, and hand-built 52, 56 and OS/2
// 2.x (64) headers: regions cover every byte once, and fields their region back to back,
// each saying what it means.
TEST(Structure, RegionsCoverEveryByteOnceAndFieldsTheirRegionEachWithAMeaning) {
    std::vector<std::pair<std::string, std::vector<BYTE>>> files;
    std::ifstream made(kProducers + "/made.tsv");
    for (std::string line; std::getline(made, line);)
        files.emplace_back(line, ReadFileBytes(kProducers + "/" + line.substr(0, line.find('\t'))));
    for (const CorpusFile& c : ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite"))
        files.emplace_back(c.path, ReadFileBytes(c.path));
    ASSERT_GE(files.size(), 39u);
    for (DWORD size : {52u, 56u, 64u})
        files.emplace_back(std::to_string(size), BmpFields{}.Header(size).Build());
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::uint64_t next = 0;
        for (const auto& r : Describe(bytes).regions) {
            EXPECT_EQ(r.offset, next) << r.name;
            EXPECT_GT(r.size, 0u) << r.name;
            next = r.offset + r.size;
            std::uint64_t field = r.offset;
            for (const auto& f : r.fields) {
                EXPECT_EQ(f.offset, field) << f.name;
                EXPECT_FALSE(f.meaning.empty()) << f.name;
                field = f.offset + f.size;
            }
            // A colour table lists 256 entries at most.
            EXPECT_TRUE(r.fields.empty() || r.cut || r.fields.size() == 256 || field == next)
                << r.name;
        }
        EXPECT_EQ(next, bytes.size());
    }
}

TEST(Structure, AFileCutInsideItsHeaderCutsTheRegionAndItsFields) {
    std::vector<BYTE> bytes = ReadFileBytes(kProducers + "/im-default.bmp");
    bytes.resize(100);
    const auto s = Describe(bytes);
    ASSERT_EQ(s.regions.size(), 2u);
    EXPECT_EQ(s.regions[1].name, "BITMAPV5HEADER");
    EXPECT_TRUE(s.regions[1].cut);
    EXPECT_EQ(s.regions[1].size, 86u);
    EXPECT_FALSE(Find(s, "bV5CSType")->cut);
    EXPECT_TRUE(Find(s, "bV5Endpoints")->cut);
    EXPECT_TRUE(Find(s, "bV5Reserved")->cut);
    // A table that would reach past bfOffBits ends there.
    const auto overlap =
        Describe(BmpFields{}.Bits(8).Table(std::vector<RGBQUAD>(256)).OffBits(100).Build());
    ASSERT_GE(overlap.regions.size(), 3u);
    EXPECT_EQ(overlap.regions[2].name, "颜色表");
    EXPECT_TRUE(overlap.regions[2].cut);
    EXPECT_EQ(overlap.regions[2].size, 100u - 54);
    // Bit masks after a 40-byte header are a region of their own, with a field each; an
    // uncompressed OS/2 2.x picture's pixels are its rows, whatever cbImage says.
    BmpFields masked = BmpFields{}.Bits(16).Compression(BI_BITFIELDS);
    masked.gap = {0, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0};
    const auto m = Describe(BuildBmp(masked));
    ASSERT_GE(m.regions.size(), 3u);
    EXPECT_EQ(std::tuple(m.regions[2].name, m.regions[2].offset, m.regions[2].fields.size()),
              std::tuple(std::string("BI_BITFIELDS 掩码"), std::uint64_t{54}, std::size_t{3}));
    // The file's end one byte before the last mask's: that mask is cut, the one before is not.
    std::vector<BYTE> cutMasks = BuildBmp(masked);
    cutMasks.resize(54 + 11);
    const auto cm = Describe(cutMasks);
    ASSERT_GE(cm.regions.size(), 3u);
    ASSERT_EQ(cm.regions[2].fields.size(), 3u);
    EXPECT_EQ(std::pair(cm.regions[2].fields[1].cut, cm.regions[2].fields[2].cut),
              std::pair(false, true));
    const auto os2 = Describe(BmpFields{}.Header(64).SizeImage(5).Build());
    ASSERT_GE(os2.regions.size(), 3u);
    EXPECT_EQ(std::pair(os2.regions[2].name, os2.regions[2].size),
              std::pair(std::string("像素数据"), std::uint64_t{24}));
    // A header of no known size: only its size field is known to be it.
    const auto unknown = Describe(BmpFields{}.Header(200).Build());
    ASSERT_GE(unknown.regions.size(), 2u);
    EXPECT_EQ(std::pair(unknown.regions[1].name, unknown.regions[1].size),
              std::pair(std::string("未知的信息头"), std::uint64_t{4}));
}

TEST(Structure, NamesEachKindTheTableTheProfileAndWhatFieldsMean) {
    const struct {
        DWORD size;
        const char* name;
    } kinds[] = {{12, "BITMAPCOREHEADER"},   {16, "OS22XBITMAPHEADER"},  {40, "BITMAPINFOHEADER"},
                 {52, "BITMAPV2INFOHEADER"}, {56, "BITMAPV3INFOHEADER"}, {64, "OS22XBITMAPHEADER"},
                 {108, "BITMAPV4HEADER"},    {124, "BITMAPV5HEADER"},    {200, "未知的信息头"}};
    for (const auto& k : kinds)
        EXPECT_EQ(Describe(BmpFields{}.Header(k.size).Build()).regions.at(1).name, k.name);
    // A colour table's entries as blue, green, red.
    const auto palette = Describe(ReadFileBytes(kProducers + "/gm-palette.bmp"));
    EXPECT_EQ(Find(palette, "[1]")->value, "7,5,19"); // xxd: 07 05 13 00 at 0x3a
    // A V5 header's profile, embedded or linked, where its offset from the header says.
    for (const auto& [type, name] :
         {std::pair<DWORD, std::string>{0x4D424544, "嵌入的颜色配置文件"},
          {0x4C494E4B, "链接的颜色配置文件名"}}) {
        std::vector<BYTE> v5 = BmpFields{}.Header(124).Build();
        const auto profileAt = static_cast<DWORD>(v5.size() - 14);
        v5.insert(v5.end(), 8, 'p');
        auto poke = [&v5](size_t at, DWORD v) {
            for (int k = 0; k < 4; ++k)
                v5[at + k] = static_cast<BYTE>(v >> (8 * k));
        };
        poke(70, type);
        poke(126, profileAt);
        poke(130, 8);
        const auto s = Describe(v5);
        EXPECT_EQ(s.regions.back().name, name);
        EXPECT_EQ(s.regions.back().offset, 14u + profileAt);
        EXPECT_EQ(s.regions.back().size, 8u);
    }
    // OS/2 2.x fields mean what their Windows twins mean; the file's size is not the
    // header's.
    const auto os2 = Describe(BmpFields{}.Header(64).Build());
    const auto windows = Describe(BmpFields{}.Build());
    EXPECT_EQ(Find(os2, "cx")->meaning, Find(windows, "biWidth")->meaning);
    EXPECT_NE(Find(windows, "bfSize")->meaning, Find(windows, "biSize")->meaning);
    EXPECT_NE(Find(windows, "biWidth")->meaning, Find(windows, "biHeight")->meaning);
    // A colour space of 0 is the calibrated one, named; one of other than letters is no type.
    std::vector<BYTE> v4 = BmpFields{}.Header(108).Build();
    EXPECT_EQ(Find(Describe(v4), "bV4CSType")->value, "0 (LCS_CALIBRATED_RGB)");
    v4[70] = v4[71] = v4[72] = 'A', v4[73] = 0x7F;
    EXPECT_EQ(Find(Describe(v4), "bV4CSType")->value, "2134982977（不是已定义的类型）");
}

TEST(Structure, FormatsTheDecoderNamesInsteadOfDecoding) {
    BmpFields zeroRed = BmpFields{}.Bits(16).Compression(BI_BITFIELDS);
    zeroRed.gap = {0, 0, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    std::vector<BYTE> wordCount = BmpFields{}.Header(12).Build();
    wordCount[24] = 0x08, wordCount[25] = 0x01; // an OS/2 1.x bcBitCount of 0x0108, not 8
    const struct {
        const char* says;
        std::vector<BYTE> file;
        const char* pixels = nullptr; // the pixel region's name
    } cases[] = {
        // clang-format off
        {"JPEG", BmpFields{}.Compression(4).Build(), "嵌入的 JPEG 图像"},
        {"PNG", BmpFields{}.Compression(5).Build(), "嵌入的 PNG 图像"},
        {"RLE24 压缩与 8 位", BmpFields{}.Header(64).Bits(8).Compression(4).Build()},
        {"像素位数 12", BmpFields{}.Bits(12).Build()},
        {"像素位数 264", wordCount},
        {"掩码为零", BuildBmp(zeroRed), "像素数据"},
        {"没有可读的信息头", [] { BmpFields f; f.magic = 0x4142; return f.Build(); }()},
        // clang-format on
    };
    for (const auto& c : cases) {
        const bmp::Decoder decoder = bmp::Decoder::OfFile(c.file);
        EXPECT_NE(decoder.Refusal().find(c.says), std::string::npos) << decoder.Refusal();
        EXPECT_FALSE(decoder.At(0, 0).has_value()) << c.says;
        const auto regions = Describe(c.file).regions;
        EXPECT_TRUE(c.pixels == nullptr ||
                    std::any_of(regions.begin(), regions.end(),
                                [&](const auto& r) { return r.name == c.pixels; }))
            << c.says;
    }
    // BI_ALPHABITFIELDS, which no drawing takes, decodes through its four masks: the
    // alpha mask's field is S.
    BmpFields alpha =
        BmpFields{}.Size(1, 1).Bits(32).Compression(6).Pixels({0x11, 0x22, 0x33, 0x44});
    alpha.gap = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF}; // red, blue swapped
    const auto pixel = bmp::Decoder::OfFile(BuildBmp(alpha)).At(0, 0);
    ASSERT_TRUE(pixel.has_value());
    EXPECT_EQ(std::vector<int>({pixel->b, pixel->g, pixel->r, pixel->s}),
              std::vector<int>({0x33, 0x22, 0x11, 0x44}));
    // A 16-bit mask's bits past the pixel's 16 read as zero, as the drawing reads them.
    BmpFields high =
        BmpFields{}.Size(1, 1).Bits(16).Compression(BI_BITFIELDS).Pixels({0xFF, 0xFF, 0, 0});
    high.gap = {0, 0, 1, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}; // red: bit 16 alone
    const auto highRed = bmp::Decoder::OfFile(BuildBmp(high)).At(0, 0);
    ASSERT_TRUE(highRed.has_value());
    EXPECT_EQ(highRed->r, 0);
    // An alpha mask of zero is none: S is the pixel's fourth byte.
    alpha.gap[12] = alpha.gap[15] = 0;
    const auto noAlpha = bmp::Decoder::OfFile(BuildBmp(alpha)).At(0, 0);
    ASSERT_TRUE(noAlpha.has_value());
    EXPECT_EQ(noAlpha->s, 0x44);
}

TEST(Structure, AnOs2Rle24PictureDecodesAsTheSamePictureAtEightBits) {
    const std::string dir = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/";
    const std::vector<BYTE> rle = ReadFileBytes(dir + "q/rgb24rle24.bmp"),
                            plain = ReadFileBytes(dir + "g/pal8.bmp");
    const bmp::Decoder a = bmp::Decoder::OfFile(rle), b = bmp::Decoder::OfFile(plain);
    ASSERT_EQ(a.Refusal(), "");
    ASSERT_EQ(std::pair(a.Width(), a.Height()), std::pair(b.Width(), b.Height()));
    for (std::int64_t y = 0; y < a.Height(); ++y)
        for (std::int64_t x = 0; x < a.Width(); ++x) {
            const auto p = a.At(x, y), q = b.At(x, y);
            ASSERT_TRUE(p && q);
            ASSERT_EQ(std::tuple(p->b, p->g, p->r), std::tuple(q->b, q->g, q->r)) << x << "," << y;
        }
    // A run whose colour the file's end cuts: what it lacks is zeros.
    const std::vector<BYTE> cutBytes =
        BmpFields{}.Header(64).Size(2, 1).Compression(4).Pixels({2, 0x10}).SizeImage(4).Build();
    const bmp::Decoder cut =
        bmp::Decoder::OfFile(cutBytes); // it reads the bytes it is given, held here
    const auto p = cut.At(1, 0);
    ASSERT_TRUE(p);
    EXPECT_EQ(std::tuple(p->b, p->g, p->r), std::tuple(0x10, 0, 0));
    // Pixels a stream ends before setting are black.
    const std::vector<BYTE> endsAtOnce =
        BmpFields{}.Header(64).Size(2, 1).Compression(4).Pixels({0, 1}).SizeImage(2).Build();
    const auto unset = bmp::Decoder::OfFile(endsAtOnce).At(1, 0);
    ASSERT_TRUE(unset);
    EXPECT_EQ(std::tuple(unset->b, unset->g, unset->r), std::tuple(0, 0, 0));
}

// What the header says of the picture is its fields read whole, little-endian, at every
// kind: a high byte counts, and a field the header is too short for reads 0.
TEST(Structure, TheHeadersFiguresAreItsFieldsReadWhole) {
    for (DWORD size : {4u, 16u, 40u, 52u, 64u, 108u, 124u}) {
        SCOPED_TRACE(size);
        std::vector<BYTE> bytes = BmpFields{}.Header(124).Build();
        for (size_t k = 18; k < 14 + 124; ++k)
            bytes[k] = static_cast<BYTE>(0x81 + k * 7);
        std::memcpy(&bytes[14], &size, 4);
        const bmp::File file = bmp::ParseFile(bytes);
        const bmp::Header& h = file.header;
        const auto at = [&](std::uint32_t offset, std::uint32_t n) -> std::int64_t {
            std::uint64_t v = 0;
            for (std::uint32_t i = n; i-- > 0 && offset + n <= size;)
                v = v << 8 | bytes[14 + offset + i];
            return n == 4 && (offset == 4 || offset == 8) ? std::int32_t(v) : std::int64_t(v);
        };
        EXPECT_EQ((std::vector<std::int64_t>{h.width, h.height, h.planes, h.bitCount, h.compression,
                                             h.sizeImage, h.xPelsPerMeter, h.yPelsPerMeter,
                                             h.clrUsed, h.clrImportant}),
                  (std::vector<std::int64_t>{at(4, 4), at(8, 4), at(12, 2), at(14, 2), at(16, 4),
                                             at(20, 4), std::int32_t(at(24, 4)),
                                             std::int32_t(at(28, 4)), at(32, 4), at(36, 4)}));
        for (const bmp::Field& f : h.fields)
            EXPECT_LE(f.offset + f.size, 14 + size) << f.name << " lies outside the header";
    }
}

// Every file of the conformance corpus and of the producers' fixtures.
std::vector<std::string> CorpusAndProducerFiles() {
    std::vector<std::string> files;
    for (const CorpusFile& c : ReadManifest(std::string(PIXSCOPE_CORPUS) + "/bmpsuite"))
        files.push_back(c.path);
    for (const auto& e : std::filesystem::directory_iterator(kProducers))
        if (e.path().extension() == ".bmp")
            files.push_back(e.path().string());
    return files;
}

// Every pixel's bytes name that pixel again, and every byte of the pixels names pixels
// whose bytes hold it: a stored row, a run-length code, a literal run's byte.
TEST(Structure, PixelsAndTheirBytesLeadToEachOther) {
    const std::vector<std::string> files = CorpusAndProducerFiles();
    int pictures = 0;
    for (const std::string& path : files) {
        std::string error;
        const std::vector<BYTE> file = ReadFileBytes(path);
        const auto model = structure::BmpStructureOf(file, path);
        if (model->Width() <= 0 || model->Width() * model->Height() > 1 << 16)
            continue;
        SCOPED_TRACE(path);
        ++pictures;
        for (std::int64_t y = 0; y < model->Height(); ++y)
            for (std::int64_t x = 0; x < model->Width(); ++x) {
                const auto bytes = model->BytesOf(x, y);
                if (x == y % model->Width()) { // on a diagonal: what the locator says
                    const auto where =
                        inspect::LocatePixel(model->Bytes(), x, y, error,
                                             bmp::ImageStart(model->Bytes(), 0).value_or(0));
                    const bool held =
                        where && where->offset && *where->offset < model->Bytes().size();
                    ASSERT_EQ(bytes.has_value(), held) << x << "," << y;
                    ASSERT_TRUE(!held || bytes->offset == *where->offset) << x << "," << y;
                }
                if (!bytes)
                    continue; // set by no code, or past the file's end
                const auto span = model->PixelsOf(bytes->offset);
                ASSERT_TRUE(span) << x << "," << y;
                ASSERT_EQ(span->y, y);
                ASSERT_TRUE(span->x0 <= x && x <= span->x1)
                    << x << " in " << span->x0 << "–" << span->x1;
            }
        for (std::uint64_t at = 0; at < model->Bytes().size(); ++at) {
            const auto span = model->PixelsOf(at);
            if (!span)
                continue;
            // The two bytes that open a literal run name the whole run.
            const auto bytes = model->BytesOf(span->x0, span->y);
            ASSERT_TRUE(bytes &&
                        (bytes->Holds(at) || (at < bytes->offset && bytes->offset - at <= 2)))
                << at;
        }
    }
    EXPECT_GT(pictures, 60);
}

// The pixel data's units lie end to end over its region, in file order, and each says
// where it starts as the decoder and the locator do: a stored row its first pixel, a run
// or literal run the first pixel it sets. Huffman rows may share the byte between them.
TEST(Structure, ThePixelUnitsCoverThePixelDataAndAgreeWithTheDecoder) {
    codecs::InstallStreamDecoders();
    const std::vector<std::string> files = CorpusAndProducerFiles();
    std::set<std::string> kinds;
    for (const std::string& path : files) {
        const std::vector<BYTE> file = ReadFileBytes(path);
        const auto model = structure::BmpStructureOf(file, path);
        const auto region = model->UnitsRegion();
        if (!region)
            continue;
        SCOPED_TRACE(path);
        const structure::ByteRange pixels = model->Tree()[*region].bytes;
        const bool huffman = model->Tree()[*region].columns[0].find("Huffman") != std::string::npos;
        std::uint64_t end = model->Unit(0).bytes.offset;
        EXPECT_LE(end, pixels.offset);
        for (std::uint64_t i = 0; i < model->UnitCount(); ++i) {
            const auto unit = model->Unit(i);
            const std::string& name = unit.columns[0];
            kinds.insert(name.rfind("行 y=", 0) == 0 ? "行" : name);
            ASSERT_TRUE(unit.bytes.offset == end || (huffman && unit.bytes.offset + 1 == end))
                << "unit " << i << " at " << unit.bytes.offset << ", the one before ends at "
                << end;
            end = unit.bytes.offset + unit.bytes.size;
            ASSERT_EQ(model->UnitAt(unit.bytes.offset), i);
            if (!huffman) {
                ASSERT_EQ(model->UnitAt(unit.bytes.offset + unit.bytes.size - 1), i);
            }
            // "(x, y)" where the meaning names it: the decoder's pixels of that byte.
            const std::string& meaning = unit.columns[4];
            long long x = -1, y = -1;
            const std::size_t open = meaning.find("从 (");
            if ((name == "游程" || name == "绝对段") && open != std::string::npos &&
                std::sscanf(meaning.c_str() + open + 5, "%lld, %lld", &x, &y) == 2 &&
                x < model->Width() && unit.columns[3].rfind("0 ", 0) != 0) {
                const auto span = model->PixelsOf(unit.bytes.offset);
                ASSERT_TRUE(span && span->y == y && span->x0 == x)
                    << "unit " << i << ": " << meaning;
            }
            if (unit.columns[0].rfind("行 y=", 0) == 0 && !huffman) {
                y = std::stoll(name.substr(std::string("行 y=").size()));
                std::string error;
                const auto where =
                    inspect::LocatePixel(file, 0, y, error, bmp::ImageStart(file, 0).value_or(0));
                ASSERT_TRUE(where) << error;
                EXPECT_EQ(where->rowOffset, unit.bytes.offset);
            }
        }
        EXPECT_EQ(end, pixels.offset + pixels.size);
    }
    EXPECT_EQ(kinds.size(), 7u); // rows, runs, literal runs, deltas, both ends, unused bytes
}
