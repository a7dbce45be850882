// The checks run in the file's own order: file header, information header, colour
// table and masks, pixel data. Each reads its bytes through Bytes, which knows the
// file's length; a check that needs bytes the file does not have reports that instead.
#include "inspect/check_bitmap.h"

#include "bmp/bitmap_array.h"
#include "bmp/bytes.h"
#include "bmp/channel.h"
#include "bmp/colour_table.h"
#include "bmp/decoder.h"
#include "bmp/embedded.h"
#include "bmp/icc_profile.h"
#include "bmp/layout.h"
#include "bmp/pixel_format.h"
#include "bmp/rle.h"
#include "inspect/rle_fault_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace inspect {

const char* SeverityName(Severity s) {
    switch (s) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    default:
        return "note";
    }
}

bool HasError(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

namespace {

constexpr std::uint64_t kFileHeader = 14, kInfoHeader = 40, kHeaders = 54;
using bmp::FieldId;

std::string N(std::int64_t v) {
    return std::to_string(v);
}

// A byte count as words: one that passes 2^63 no file can hold, and is said so.
std::string Size(std::int64_t bytes) {
    return bytes == INT64_MAX ? std::string("超过 2^63 字节") : N(bytes) + " 字节";
}

// The kind's name, and whose it is where that is not Windows'.
std::string HeaderKind(bmp::HeaderKind kind) {
    const std::string name = bmp::HeaderName(kind);
    return kind == bmp::HeaderKind::Core  ? "OS/2 1.x 的 " + name
           : kind == bmp::HeaderKind::Os2 ? "OS/2 2.x 的 " + name
                                          : name;
}

class Checker {
public:
    // at: where the image's file header starts (0, or an image of a bitmap array).
    Checker(std::span<const std::uint8_t> file, std::uint64_t at)
        : b(file), bytes(file), base(at), lay(bmp::ParseFile(file, at)), hd(lay.header) {}
    std::vector<Finding> Run();

private:
    void Add(const char* id, Severity s, std::uint64_t offset, std::uint64_t length,
             std::string field, std::optional<std::int64_t> declared,
             std::optional<std::int64_t> actual, std::string message) {
        out.push_back(
            Finding{id, s, offset, length, std::move(field), declared, actual, std::move(message)});
    }
    // Where a field lies in this file: its kind's own place, or where a 40-byte header
    // keeps it when its kind has none.
    bmp::Field Place(FieldId id) const {
        const bmp::Field* f = hd.Find(id);
        return f != nullptr ? *f : bmp::InfoHeaderPlace(id);
    }
    void AddAt(const char* id, Severity s, const bmp::Field& p,
               std::optional<std::int64_t> declared, std::optional<std::int64_t> actual,
               std::string message) {
        Add(id, s, p.offset, p.size, p.name, declared, actual, std::move(message));
    }
    bool Headers();
    void FileHeaderFields();
    void ColourSpace();
    bool InfoHeaderFields();
    void TableAndOffset();
    void Masks();
    void Pixels();
    void Uncompressed();
    void RunLength();
    void Streams();
    void Profile();
    void Density();
    void IndexOutside(std::int64_t x, std::int64_t row) {
        if (badIndices++ == 0) {
            firstBadX = x;
            firstBadY = topDown ? row : height - 1 - row;
        }
    }
    void ReportIndices();

    bmp::Bytes b;
    std::span<const std::uint8_t> bytes;
    const std::uint64_t base;
    const bmp::File lay;
    const bmp::Header& hd;
    const bmp::PixelStorage storage = bmp::StorageOf(hd);
    std::vector<Finding> out;
    std::uint32_t offBits = 0, compression = 0, clrUsed = 0;
    std::int64_t width = 0, height = 0; // height as a magnitude
    bool topDown = false, depthKnown = false, compressionKnown = false, decodable = true;
    int bits = 0;
    std::uint64_t tableEnd = base + kHeaders, entries = 0;
    std::uint64_t badIndices = 0;
    std::int64_t firstBadX = 0, firstBadY = 0;
};

std::vector<Finding> Checker::Run() {
    if (Headers()) {
        FileHeaderFields();
        if (InfoHeaderFields()) {
            TableAndOffset();
            Masks();
            ColourSpace();
            Profile();
            Density();
            Pixels();
        }
        Streams();
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Finding& a, const Finding& c) { return a.offset < c.offset; });
    return std::move(out);
}

// The signature and the two headers' presence; false when nothing more can be read. A
// file that ends inside the header it declares says so beside whatever else is wrong.
bool Checker::Headers() {
    if (!lay.signature) {
        Add("magic", Severity::Error, base, 2, "bfType", std::nullopt, std::nullopt,
            "文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它");
        return false;
    }
    const auto fileSize = static_cast<std::int64_t>(b.Size());
    if (!b.Holds(base, kFileHeader + 4)) {
        Add("truncated-header", Severity::Error, b.Size(), 0, "", std::nullopt, fileSize,
            "文件在信息头的长度字段之前结束：只有 " + N(fileSize) + " 字节");
        if (b.Holds(base, kFileHeader))
            FileHeaderFields();
        return false;
    }
    const std::uint32_t size = hd.size;
    // Each kind has its own name for it: bV5Size, bcSize, cbFix.
    const char* const sizeField = hd.fields.empty() ? "biSize" : hd.fields.front().name;
    const std::uint64_t headerEnd = base + kFileHeader + std::uint64_t{size};
    if (!b.Holds(0, headerEnd))
        Add("truncated-header", Severity::Error, b.Size(), 0, sizeField,
            static_cast<std::int64_t>(headerEnd), fileSize,
            "文件在信息头中结束：信息头到 " + N(static_cast<std::int64_t>(headerEnd)) +
                " 字节才结束，文件只有 " + N(fileSize) + " 字节：缺少的字段按零读取");
    if (hd.kind == bmp::HeaderKind::Unknown) {
        Add("header-size", Severity::Error, base + 14, 4, sizeField, size, kInfoHeader,
            "信息头长 " + N(size) +
                " 字节，不是任何一种 BMP 信息头：打开命令拒绝它，其余字段无法读取");
        FileHeaderFields();
        return false;
    }
    if (size != kInfoHeader)
        Add("header-size", Severity::Note, base + 14, 4, sizeField, size, kInfoHeader,
            "信息头长 " + N(size) + " 字节，是 " + HeaderKind(hd.kind) +
                "；Pixscope 的打开命令只读取 40 字节的 BITMAPINFOHEADER，会拒绝它，"
                "结构视图（pixscope-cli fields）能读它");
    if (!b.Holds(0, headerEnd)) {
        FileHeaderFields();
        return false;
    }
    return true;
}

void Checker::FileHeaderFields() {
    const std::uint32_t declared = lay.bfSize;
    // An image of a bitmap array has its own size there, not the file's.
    if (declared != b.Size() && base == 0)
        Add("file-size", Severity::Warning, 2, 4, "bfSize", declared,
            static_cast<std::int64_t>(b.Size()),
            "bfSize 声明 " + N(declared) + " 字节，文件实际有 " +
                N(static_cast<std::int64_t>(b.Size())) + " 字节；读取程序不使用这个字段");
    for (std::uint64_t at : {std::uint64_t{6}, std::uint64_t{8}}) {
        const char* name = at == 6 ? "bfReserved1" : "bfReserved2";
        const std::uint16_t value = at == 6 ? lay.bfReserved1 : lay.bfReserved2;
        if (base != 0)
            break; // an array's images keep their hot spot there
        if (value != 0)
            Add("reserved", Severity::Note, base + at, 2, name, value, 0,
                std::string(name) + " 不为零（" + N(value) + "）；读取程序忽略它");
    }
    offBits = lay.bfOffBits;
}

// False when the picture's shape or format is too broken for the pixel checks.
bool Checker::InfoHeaderFields() {
    const auto w = static_cast<std::int32_t>(hd.width), h = static_cast<std::int32_t>(hd.height);
    width = w;
    topDown = h < 0;
    height = h < 0 ? -static_cast<std::int64_t>(h) : h;
    bits = hd.bitCount;
    compression = hd.compression;
    clrUsed = hd.clrUsed;
    // Windows draws nothing with no planes; other counts are only unusual.
    if (hd.planes != 1)
        AddAt("planes", hd.planes == 0 ? Severity::Error : Severity::Warning,
              Place(FieldId::Planes), hd.planes, 1,
              "biPlanes 是 " + N(hd.planes) + "，应为 1" +
                  (hd.planes == 0 ? "；Windows 拒绝绘制它" : "；多数读取程序忽略它"));
    depthKnown = bmp::IsClassicDepth(bits);
    if (!depthKnown)
        AddAt("bit-count", Severity::Error, Place(FieldId::BitCount), bits, std::nullopt,
              "biBitCount 是 " + N(bits) + "，不是 1、4、8、16、24 或 32：像素无法绘制");

    std::string wrong;
    const bmp::CompressionCheck fit = bmp::CheckCompression(hd);
    if (fit.fault == bmp::CompressionCheck::Embedded)
        wrong = std::string("像素数据是嵌入的 ") + fit.scheme + " 图像，不是位图像素";
    else if (fit.fault == bmp::CompressionCheck::WrongDepth)
        wrong =
            std::string(fit.scheme) + "需要 " + fit.depths + " 位像素，这里是 " + N(bits) + " 位";
    else if (storage.kind == bmp::Storage::Cmyk)
        wrong = bmp::Classify(hd, bmp::Rules::File).refusal;
    else if (fit.fault == bmp::CompressionCheck::Unknown)
        wrong = "未知的压缩方式 " + N(compression);
    compressionKnown = wrong.empty();
    // OS/2 2.x's own compressions: the structure view and decode read both.
    const bool rle = storage.kind == bmp::Storage::RunLength;
    if (storage.kind == bmp::Storage::Huffman) {
        AddAt("compression", Severity::Note, Place(FieldId::Compression), compression, std::nullopt,
              "OS/2 的 Huffman 1D 压缩：打开命令不读，结构视图和 decode 解码这些像素");
        decodable = false; // the stream's own check is Streams()
    } else if (rle && storage.streamBits == 24 && wrong.empty()) {
        AddAt("compression", Severity::Note, Place(FieldId::Compression), compression, std::nullopt,
              "OS/2 的 RLE24 压缩：打开命令不读，结构视图解码这些像素");
    }
    if (!wrong.empty())
        AddAt("compression", Severity::Error, Place(FieldId::Compression), compression,
              std::nullopt, wrong);

    if (w <= 0)
        AddAt("width", Severity::Error, Place(FieldId::Width), w, std::nullopt,
              "biWidth 是 " + N(w) + "，宽度必须大于零：没有可绘制的像素");
    if (h == 0)
        AddAt("height", Severity::Error, Place(FieldId::Height), h, std::nullopt,
              "biHeight 是零：没有可绘制的像素");
    else if (h < 0 && rle)
        AddAt("height", Severity::Error, Place(FieldId::Height), h, std::nullopt,
              "游程编码的位图不能自上而下存放（biHeight 为负）：无法绘制");

    const std::uint32_t sizeImage = hd.sizeImage;
    // Rows times stride can pass 2^63 (a depth of 65535 bits, say): such a size is
    // one no field holds, so it is simply "more".
    const std::int64_t need =
        hd.computedSize > INT64_MAX ? INT64_MAX : static_cast<std::int64_t>(hd.computedSize);
    if (hd.kind == bmp::HeaderKind::Core)
        ; // no such field: the rows are all there is
    else if (storage.kind == bmp::Storage::Huffman)
        ; // Huffman: the size is the stream's, whatever the rows
    else if (rle && sizeImage == 0)
        AddAt("size-image", Severity::Error, Place(FieldId::SizeImage), 0, std::nullopt,
              "游程编码的位图 biSizeImage 不能为零：流的长度未知，无法绘制");
    else if (!rle && compressionKnown && sizeImage == 0 && w > 0 && depthKnown &&
             hd.usedSize != need)
        AddAt("size-image", Severity::Error, Place(FieldId::SizeImage), 0, need,
              "biSizeImage 为零，而按尺寸算出的 " + Size(need) + " 在 32 位里回绕成 " +
                  N(hd.usedSize) + " 字节：打开命令读不到这些像素");
    else if (!rle && compressionKnown && sizeImage == 0)
        AddAt("size-image", Severity::Note, Place(FieldId::SizeImage), 0, need,
              "biSizeImage 为零（未压缩时允许，由尺寸算出 " + Size(need) + "），读取程序都能处理");
    else if (!rle && compressionKnown && depthKnown && w > 0 && sizeImage != need)
        AddAt("size-image", Severity::Warning, Place(FieldId::SizeImage), sizeImage, need,
              "biSizeImage 声明 " + N(sizeImage) + " 字节，按尺寸应为 " + Size(need) +
                  (sizeImage < need ? "；打开命令只读这么多，其余的行显示为黑色"
                                    : "；多出的字节不会被使用"));
    return depthKnown && compressionKnown && w > 0 && h != 0 && !(h < 0 && rle);
}

void Checker::TableAndOffset() {
    const std::uint64_t full = bmp::FullTable(bits);
    const std::uint64_t room =
        offBits > hd.tableOffset ? (offBits - hd.tableOffset) / hd.entrySize : 0;
    if (bits <= 8 && clrUsed > full)
        AddAt("clr-used", Severity::Warning, Place(FieldId::ClrUsed), clrUsed,
              static_cast<std::int64_t>(full),
              "biClrUsed（" + N(clrUsed) + "）超过 " + N(bits) + " 位像素的 " +
                  N(static_cast<std::int64_t>(full)) + " 种颜色，多出的项不会用到");
    else if (clrUsed > room && offBits <= b.Size())
        AddAt("clr-used", Severity::Error, Place(FieldId::ClrUsed), clrUsed,
              static_cast<std::int64_t>(room),
              "biClrUsed（" + N(clrUsed) + "）需要的颜色表超出信息头到 bfOffBits 之间的 " +
                  N(static_cast<std::int64_t>(room)) + " 项：打开命令拒绝它");
    entries = hd.entriesDeclared;
    const std::uint64_t colours = bmp::DeclaredEntries(bits, clrUsed);
    const std::uint32_t important = hd.clrImportant;
    if (colours != 0 && important > colours)
        AddAt("clr-important", Severity::Warning, Place(FieldId::ClrImportant), important,
              static_cast<std::int64_t>(colours),
              "biClrImportant（" + N(important) + "）超过颜色数 " +
                  N(static_cast<std::int64_t>(colours)) + "；调色板有限的显示器会挑错颜色");

    tableEnd = hd.tableOffset + hd.entrySize * hd.entriesUsed;
    // Entries past 2^bits that biClrUsed declares are the table's, not a gap, though no
    // reader uses them.
    const std::uint64_t declaredEnd =
        std::max(tableEnd, hd.tableOffset + hd.entrySize * std::uint64_t{clrUsed});
    if (offBits < tableEnd)
        Add("offbits-overlap", Severity::Error, base + 10, 4, "bfOffBits", offBits,
            static_cast<std::int64_t>(tableEnd),
            "bfOffBits（" + N(offBits) + "）落在信息头和颜色表之内，它们到 " +
                N(static_cast<std::int64_t>(tableEnd)) + " 才结束：打开命令拒绝它");
    else if (offBits >= b.Size())
        Add("offbits-past-end", Severity::Error, base + 10, 4, "bfOffBits", offBits,
            static_cast<std::int64_t>(b.Size()),
            "bfOffBits（" + N(offBits) + "）在文件末尾（" + N(static_cast<std::int64_t>(b.Size())) +
                "）或之后：没有像素数据，像素显示为黑色");
    else if (offBits > declaredEnd)
        Add("offbits-gap", Severity::Note, declaredEnd, offBits - declaredEnd, "", std::nullopt,
            static_cast<std::int64_t>(offBits - declaredEnd),
            "颜色表结束处和像素数据之间有 " + N(static_cast<std::int64_t>(offBits - declaredEnd)) +
                " 字节，读取程序跳过它们");
}

void Checker::Masks() {
    if (!storage.masks || hd.maskCount < 3 || !b.Holds(hd.masksOffset, 12))
        return;
    const std::uint32_t* m = hd.masks;
    const char* names[3] = {"红", "绿", "蓝"};
    std::string wrong;
    for (int i = 0; i < 3 && wrong.empty(); ++i) {
        if (m[i] == 0)
            wrong = std::string(names[i]) + "色掩码为零";
        else if (!bmp::Contiguous(m[i]))
            wrong = std::string(names[i]) + "色掩码的位不连续";
    }
    if (wrong.empty() && ((m[0] & m[1]) | (m[0] & m[2]) | (m[1] & m[2])) != 0)
        wrong = "颜色掩码互相重叠";
    const bool zero = m[0] == 0 || m[1] == 0 || m[2] == 0;
    if (wrong.empty() && bits == 16 && ((m[0] | m[1] | m[2]) >> 16) != 0)
        wrong = "掩码有超出 16 位像素的位，这些位总是 0";
    // With a zero mask nothing is drawn at all; other faults change the colours.
    if (!wrong.empty())
        Add("masks", zero ? Severity::Error : Severity::Warning, hd.masksOffset, 12, "",
            std::nullopt, std::nullopt,
            "BI_BITFIELDS 掩码有误：" + wrong + (zero ? "，图像无法绘制" : "，颜色与字段不符"));
}

// What a V4 or V5 header adds: the alpha mask, the colour space, the intent and the
// profile, each judged by what readers do with it.
void Checker::ColourSpace() {
    if (hd.kind != bmp::HeaderKind::V4 && hd.kind != bmp::HeaderKind::V5 &&
        hd.kind != bmp::HeaderKind::V3)
        return;
    const std::uint32_t alpha = hd.masks[3];
    if (alpha != 0 &&
        (!bmp::Contiguous(alpha) || (alpha & (hd.masks[0] | hd.masks[1] | hd.masks[2])) != 0))
        AddAt("alpha-mask", Severity::Warning, Place(FieldId::AlphaMask), alpha, std::nullopt,
              "透明度掩码的位不连续或与颜色掩码重叠：各读取程序的透明度不同");
    if (hd.kind == bmp::HeaderKind::V3)
        return;
    const bmp::ColourSpace& cs = hd.colourSpace;
    const std::uint64_t type = cs.type, intent = cs.intent, data = cs.profileData,
                        size = cs.profileSize;
    constexpr std::uint64_t kSrgb = 0x73524742, kWindows = 0x57696E20;
    const bool profile = type == bmp::kProfileLinked || type == bmp::kProfileEmbedded;
    if (type != 0 && type != kSrgb && type != kWindows &&
        !(profile && hd.kind == bmp::HeaderKind::V5))
        AddAt("cs-type", Severity::Warning, Place(FieldId::CSType), static_cast<std::int64_t>(type),
              std::nullopt,
              "颜色空间类型 " + N(static_cast<std::int64_t>(type)) +
                  " 不是已定义的值：读取程序各自按 sRGB 或不做颜色管理显示");
    if (hd.kind != bmp::HeaderKind::V5)
        return;
    if (intent != 0 && intent != 1 && intent != 2 && intent != 4 && intent != 8)
        AddAt("intent", Severity::Note, Place(FieldId::Intent), static_cast<std::int64_t>(intent),
              std::nullopt,
              "渲染意图 " + N(static_cast<std::int64_t>(intent)) +
                  " 不是已定义的值；多数读取程序忽略它");
    if (!profile)
        return;
    // The profile's offset counts from the information header's start.
    const std::uint64_t start = base + kFileHeader + data, end = start + size;
    const std::uint64_t pixelsEnd =
        offBits + (hd.computedSize > b.Size() ? b.Size() : hd.computedSize);
    std::string wrong;
    if (size == 0 || end > b.Size())
        wrong = "颜色配置文件（" + N(static_cast<std::int64_t>(start)) + " 起 " +
                N(static_cast<std::int64_t>(size)) + " 字节）超出文件末尾";
    else if (start < pixelsEnd && end > offBits)
        wrong = "颜色配置文件与像素数据重叠";
    else if (start < base + kFileHeader + hd.size)
        wrong = "颜色配置文件落在信息头之内";
    if (!wrong.empty())
        AddAt("profile", Severity::Warning, Place(FieldId::ProfileData),
              static_cast<std::int64_t>(data), static_cast<std::int64_t>(b.Size()),
              wrong + "：读取程序无法使用它，颜色可能与作者所见不同");
}

// What the pixel streams the open command does not read hold: an embedded PNG or JPEG
// as its codec and its own structure see it, a Huffman stream's first bad code.
void Checker::Streams() {
    if (storage.kind != bmp::Storage::Huffman && storage.kind != bmp::Storage::Png &&
        storage.kind != bmp::Storage::Jpeg)
        return;
    const bmp::Decoder d = bmp::Decoder::OfFile(bytes, bmp::Rules::File, base);
    const std::uint64_t at = offBits;
    if (storage.kind == bmp::Storage::Huffman) {
        if (!d.StreamFault().empty())
            Add("huffman-stream", Severity::Warning, at + d.StreamFaultOffset(), 1, "",
                std::nullopt, std::nullopt,
                d.StreamFault() + "：这一行其余的像素和之后的行显示为白色");
        return;
    }
    const bmp::StreamLayout layout = bmp::ReadStreamLayout(
        storage.kind == bmp::Storage::Png ? bmp::StreamKind::Png : bmp::StreamKind::Jpeg,
        d.Pixels());
    bool partFault = false;
    for (const bmp::StreamPart& part : layout.parts)
        if (!part.fault.empty()) {
            partFault = true;
            Add("embedded-stream", Severity::Warning, at + part.offset, part.size, "", std::nullopt,
                std::nullopt, part.name + "：" + part.fault);
        }
    // The stream's own fault, where no part has said it.
    if (!layout.fault.empty() && !partFault)
        Add("embedded-stream", Severity::Warning, at + layout.faultOffset, 0, "", std::nullopt,
            std::nullopt, layout.fault);
    if (!d.Decodes())
        Add("embedded-stream", Severity::Error, at, d.Pixels().size(), "", std::nullopt,
            std::nullopt, d.Refusal());
}

// An embedded profile's own structure: its signature and a tag table inside it.
void Checker::Profile() {
    const bmp::ColourSpace& cs = hd.colourSpace;
    if (hd.kind != bmp::HeaderKind::V5 || cs.type != bmp::kProfileEmbedded)
        return;
    const std::uint64_t start = base + kFileHeader + cs.profileData;
    if (cs.profileSize == 0 || !b.Holds(start, cs.profileSize))
        return; // ColourSpace() says so
    const bmp::Profile profile = bmp::ParseProfile(bytes, start, cs.profileSize);
    if (!profile.fault.empty())
        Add("icc-profile", Severity::Warning, profile.faultOffset, 0, "", std::nullopt,
            std::nullopt, "颜色配置文件有误：" + profile.fault + "；读取程序可能不用它");
    for (const bmp::ProfileTag& tag : profile.tags)
        if (!tag.inside)
            Add("icc-profile", Severity::Warning, tag.entry, 12, "", tag.offset,
                static_cast<std::int64_t>(profile.size),
                "颜色配置文件的标签 " + tag.signature + " 指向配置文件之外：读取程序可能不用它");
}

void Checker::Density() {
    const std::int32_t x = hd.xPelsPerMeter, y = hd.yPelsPerMeter;
    if (x < 0 || y < 0)
        AddAt("density", Severity::Warning,
              x < 0 ? Place(FieldId::XPelsPerMeter) : Place(FieldId::YPelsPerMeter), x < 0 ? x : y,
              std::nullopt,
              "分辨率为负（水平 " + N(x) + "，垂直 " + N(y) +
                  " 像素/米）；打印或缩放时读取程序各不相同");
    else if (x > 0 && y > 0 &&
             (std::int64_t{x} > 10 * std::int64_t{y} || std::int64_t{y} > 10 * std::int64_t{x}))
        AddAt("density", Severity::Warning, Place(FieldId::XPelsPerMeter), x, y,
              "水平和垂直分辨率相差十倍以上（" + N(x) + " 和 " + N(y) +
                  " 像素/米）；按分辨率显示的程序会把图像拉长");
}

void Checker::Pixels() {
    if (offBits >= b.Size() || offBits < tableEnd || !decodable)
        return;
    if (storage.kind == bmp::Storage::RunLength)
        RunLength();
    else
        Uncompressed();
    ReportIndices();
}

void Checker::Uncompressed() {
    const std::uint64_t stride = hd.stride;
    const std::uint64_t available = b.Size() - offBits;
    // Beyond 2^63 no file can hold it; compare without overflowing.
    const bool huge = static_cast<std::uint64_t>(height) > UINT64_MAX / 2 / stride;
    const std::uint64_t need = huge ? UINT64_MAX : stride * static_cast<std::uint64_t>(height);
    if (available < need)
        Add("pixels-truncated", Severity::Error, offBits, available, "",
            huge ? std::optional<std::int64_t>{} : static_cast<std::int64_t>(need),
            static_cast<std::int64_t>(available),
            "像素数据需要 " +
                (huge ? std::string("超过 2^63") : N(static_cast<std::int64_t>(need))) +
                " 字节，文件只有 " + N(static_cast<std::int64_t>(available)) + " 字节（完整的 " +
                N(static_cast<std::int64_t>(available / stride)) + " 行）；缺少的像素显示为黑色");
    else if (available > need)
        Add("trailing-data", Severity::Note, offBits + need, available - need, "", std::nullopt,
            static_cast<std::int64_t>(available - need),
            "像素数据之后还有 " + N(static_cast<std::int64_t>(available - need)) +
                " 字节，从偏移 " + N(static_cast<std::int64_t>(offBits + need)) +
                " 开始；读取程序不使用它们");
    if (bits > 8 || entries >= (std::uint64_t{1} << bits))
        return;
    // One pass over the indices the file holds.
    const std::uint64_t rows = std::min<std::uint64_t>(height, available / stride + 1);
    for (std::uint64_t row = 0; row < rows; ++row) {
        const std::uint64_t start = offBits + row * stride;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint64_t at = start + static_cast<std::uint64_t>(x * bits / 8);
            if (!b.Holds(at, 1))
                return;
            const std::uint8_t byte = b.U8(at);
            const unsigned index = bits == 8   ? byte
                                   : bits == 4 ? (x % 2 == 0 ? byte >> 4 : byte & 0x0F)
                                               : (byte >> (7 - x % 8)) & 1;
            if (index >= entries)
                IndexOutside(x, static_cast<std::int64_t>(row));
        }
    }
}

// The stream as the open command reads it (the size it uses, zeros past the file's
// end), through the drawing's own reader: every fault is reported with what it does to
// the picture, and checking goes on after it, as drawing does.
void Checker::RunLength() {
    const std::uint32_t used = hd.usedSize;
    const std::uint64_t available = b.Size() - offBits;
    if (used < available)
        Add("trailing-data", Severity::Note, offBits + used, available - used, "", std::nullopt,
            static_cast<std::int64_t>(available - used),
            "游程编码流之后还有 " + N(static_cast<std::int64_t>(available - used)) +
                " 字节，从偏移 " + N(static_cast<std::int64_t>(offBits + used)) +
                " 开始；打开命令不读取它们");
    std::vector<bmp::RleDiagnostic> faults;
    std::int64_t set = 0;
    // With a full table no index can lie past it: millions of pixels need no look.
    const bool indicesFit =
        storage.streamBits == 24 || entries >= (std::uint64_t{1} << storage.streamBits);
    const auto onCode = [&](const bmp::RleCode& code) {
        if (code.kind != bmp::RleCode::Kind::Run)
            return;
        set += code.run.n;
        for (std::int64_t k = 0; k < code.run.n && !indicesFit; ++k)
            if (code.run.At(k) >= entries)
                IndexOutside(code.run.x + k, code.run.y);
    };
    const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(used, available));
    bmp::WalkRle(bmp::RleStream{b.Data() + offBits, held, used, width, height, storage.streamBits},
                 onCode, &faults);
    for (const bmp::RleDiagnostic& f : faults) {
        switch (f.fault) {
        case bmp::RleFault::RunPastEdge:
        case bmp::RleFault::CodeCut:
            Add("rle-stream", Severity::Warning, offBits + f.at, 2, "", std::nullopt, std::nullopt,
                RleFaultText(f));
            break;
        case bmp::RleFault::DeltaPastPicture:
            Add("rle-stream", Severity::Warning, offBits + f.at, 4, "", std::nullopt, std::nullopt,
                RleFaultText(f));
            break;
        case bmp::RleFault::NoEndCode:
            Add("rle-end", Severity::Note, offBits + std::min<std::uint64_t>(f.at, available), 0,
                "", std::nullopt, std::nullopt, RleFaultText(f));
            break;
        case bmp::RleFault::BytesAfterEnd:
            Add("trailing-data", Severity::Note, offBits + f.at, 0, "", std::nullopt, std::nullopt,
                RleFaultText(f));
            break;
        }
    }
    const std::int64_t unset = width * height - set;
    if (unset > 0)
        Add("rle-unset", Severity::Warning, offBits, 0, "", width * height, set,
            N(unset) + " 个像素没有游程码设置：缩放显示时是颜色表第 0 项，1:1 显示时保持背景，"
                       "各读取程序的结果不同");
}

void Checker::ReportIndices() {
    if (badIndices == 0)
        return;
    Add("palette-index", Severity::Warning, offBits, 0, "", static_cast<std::int64_t>(entries),
        static_cast<std::int64_t>(badIndices),
        N(static_cast<std::int64_t>(badIndices)) + " 个像素的索引超出颜色表的 " +
            N(static_cast<std::int64_t>(entries)) + " 项，第一个在 (" + N(firstBadX) + ", " +
            N(firstBadY) + ")；这些像素显示为黑色");
}

} // namespace

std::vector<Finding> CheckBitmap(std::span<const std::uint8_t> file, std::size_t image) {
    const bmp::BitmapArray chain =
        bmp::IsBitmapArray(file) ? bmp::ParseBitmapArray(file) : bmp::BitmapArray{};
    if (chain.records.empty()) // a plain BMP, or one whose "BA" leads nowhere
        return Checker(file, 0).Run();
    std::vector<Finding> out;
    if (!chain.fault.empty())
        out.push_back(Finding{"bitmap-array", Severity::Error, chain.faultOffset, 0, "OffNext",
                              std::nullopt, std::nullopt, chain.fault});
    const std::vector<std::uint64_t> images = chain.Images();
    if (image >= images.size()) {
        out.push_back(Finding{"bitmap-array", Severity::Error, 0, 0, "", std::nullopt,
                              static_cast<std::int64_t>(images.size()),
                              "位图数组只有 " + N(static_cast<std::int64_t>(images.size())) +
                                  " 幅图像，没有第 " + N(static_cast<std::int64_t>(image)) +
                                  " 幅（从 0 数起）"});
        return out;
    }
    std::vector<Finding> rest = Checker(file, images[image]).Run();
    out.insert(out.end(), rest.begin(), rest.end());
    std::stable_sort(out.begin(), out.end(),
                     [](const Finding& a, const Finding& c) { return a.offset < c.offset; });
    return out;
}

} // namespace inspect
