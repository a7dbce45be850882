#include "inspect/structure.h"

#include "bmp/bitmap_array.h"
#include "bmp/embedded.h"
#include "bmp/icc_profile.h"
#include "bmp/layout.h"
#include "bmp/pixel_format.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace inspect {
namespace {

using bmp::FieldId;

// What each field means, whatever its kind calls it.
const char* MeaningOf(const bmp::Field& f) {
    switch (f.id) {
    case FieldId::Type:
        return "签名，BMP 文件是“BM”";
    case FieldId::FileSize:
        return "整个文件的字节数";
    case FieldId::Size:
        return "信息头的字节数，由它分辨信息头的种类";
    case FieldId::Reserved1:
    case FieldId::Reserved2:
    case FieldId::Reserved:
    case FieldId::Os2Reserved:
        return "保留，应为 0";
    case FieldId::OffBits:
        return "像素数据在文件中的偏移";
    case FieldId::Width:
        return "宽度（像素）";
    case FieldId::Height:
        return "高度（像素）；负数表示自上而下存放";
    case FieldId::Planes:
        return "位面数，应为 1";
    case FieldId::BitCount:
        return "每个像素的位数";
    case FieldId::Compression:
        return "压缩方式";
    case FieldId::SizeImage:
        return "像素数据的字节数；未压缩时可以为 0";
    case FieldId::XPelsPerMeter:
        return "水平分辨率（像素/米）";
    case FieldId::YPelsPerMeter:
        return "垂直分辨率（像素/米）";
    case FieldId::ClrUsed:
        return "颜色表的项数；0 表示按位数取满";
    case FieldId::ClrImportant:
        return "重要颜色的项数；0 表示全部";
    case FieldId::RedMask:
        return "红色分量的位掩码";
    case FieldId::GreenMask:
        return "绿色分量的位掩码";
    case FieldId::BlueMask:
        return "蓝色分量的位掩码";
    case FieldId::AlphaMask:
        return "透明度分量的位掩码";
    case FieldId::CSType:
        return "颜色空间类型（四个字母）";
    case FieldId::Endpoints:
        return "红、绿、蓝端点的 CIEXYZ 坐标（2.30 定点数）";
    case FieldId::GammaRed:
        return "红色的伽马值（16.16 定点数）";
    case FieldId::GammaGreen:
        return "绿色的伽马值（16.16 定点数）";
    case FieldId::GammaBlue:
        return "蓝色的伽马值（16.16 定点数）";
    case FieldId::Intent:
        return "渲染意图";
    case FieldId::ProfileData:
        return "颜色配置文件相对于信息头开头的偏移";
    case FieldId::ProfileSize:
        return "颜色配置文件的字节数";
    case FieldId::Units:
        return "分辨率的单位，0 表示像素/米";
    case FieldId::Recording:
        return "行的存放次序，0 表示自下而上";
    case FieldId::Rendering:
        return "半色调算法，0 表示没有";
    case FieldId::Size1:
        return "半色调算法的第一个参数";
    case FieldId::Size2:
        return "半色调算法的第二个参数";
    case FieldId::ColorEncoding:
        return "颜色编码，0 表示 RGB";
    case FieldId::Identifier:
        return "留给应用程序自用的值";
    }
    return "";
}

std::string CompressionText(std::int64_t c, bool os2) {
    const char* name = bmp::CompressionName(static_cast<std::uint32_t>(c), os2);
    return std::to_string(c) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

std::string ValueOf(const bmp::Field& f, bool os2) {
    char buf[32];
    if (f.size > 8)
        return "";
    switch (f.id) {
    case FieldId::RedMask:
    case FieldId::GreenMask:
    case FieldId::BlueMask:
    case FieldId::AlphaMask:
        std::snprintf(buf, sizeof buf, "0x%08llx", static_cast<unsigned long long>(f.value));
        return buf;
    case FieldId::CSType: {
        const auto v = static_cast<std::uint32_t>(f.value);
        if (v == 0)
            return "0 (LCS_CALIBRATED_RGB)";
        std::string letters;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const char c = static_cast<char>(v >> shift);
            if (c < 0x20 || c >= 0x7F)
                return std::to_string(v) + "（不是已定义的类型）";
            letters += c;
        }
        return "'" + letters + "'";
    }
    case FieldId::Compression:
        return CompressionText(f.value, os2);
    case FieldId::Intent: {
        static constexpr std::pair<std::int64_t, const char*> kIntents[] = {
            {1, "LCS_GM_BUSINESS"},
            {2, "LCS_GM_GRAPHICS"},
            {4, "LCS_GM_IMAGES"},
            {8, "LCS_GM_ABS_COLORIMETRIC"}};
        for (const auto& [v, n] : kIntents)
            if (f.value == v)
                return std::to_string(v) + " (" + n + ")";
        break;
    }
    case FieldId::Type: {
        const char s[3] = {static_cast<char>(f.value & 0xFF), static_cast<char>(f.value >> 8), 0};
        return std::string("'") + s + "'";
    }
    default:
        break;
    }
    return std::to_string(f.value);
}

std::string Hex(std::span<const std::uint8_t> file, std::uint64_t at, std::uint64_t size) {
    std::string out;
    char buf[4];
    for (std::uint64_t k = at; k < at + size && k < file.size(); ++k) {
        std::snprintf(buf, sizeof buf, "%02x", file[k]);
        out += buf;
    }
    return out;
}

std::vector<StructureField> FieldsOf(std::span<const std::uint8_t> file,
                                     const std::vector<bmp::Field>& fields, bool os2) {
    std::vector<StructureField> out;
    for (const bmp::Field& f : fields) {
        std::string value = ValueOf(f, os2);
        const bool text = value.empty() || f.id == FieldId::Type || value.front() == '\'';
        out.push_back(StructureField{f.name, f.offset, f.size, Hex(file, f.offset, f.size),
                                     std::move(value), MeaningOf(f), f.cut,
                                     text ? std::nullopt : std::optional(f.value)});
    }
    return out;
}

// The pixel data's region, by how it is stored.
const char* RegionName(bmp::Storage storage) {
    switch (storage) {
    case bmp::Storage::Jpeg:
        return "嵌入的 JPEG 图像";
    case bmp::Storage::Png:
        return "嵌入的 PNG 图像";
    case bmp::Storage::RunLength:
        return "游程编码的像素数据";
    case bmp::Storage::Huffman:
        return "Huffman 1D 编码的像素数据";
    case bmp::Storage::Cmyk:
        return "CMYK 打印数据（只给打印机，不绘制）";
    default:
        return "像素数据";
    }
}

// Fields of our own kinds (array records, profiles), with their own meanings.
StructureField Own(std::span<const std::uint8_t> file, const bmp::Field& f, std::string value,
                   std::string meaning) {
    return StructureField{f.name,
                          f.offset,
                          f.size,
                          Hex(file, f.offset, f.size),
                          std::move(value),
                          std::move(meaning),
                          f.offset + f.size > file.size(),
                          std::nullopt};
}

// A PNG's chunks or a JPEG's marker segments, each a field of the stream's region: its
// first bytes as raw (a chunk's length and type, a marker), what it says as value.
std::vector<StructureField> StreamFields(std::span<const std::uint8_t> file, std::uint64_t at,
                                         std::uint64_t size, bmp::StreamKind kind) {
    std::vector<StructureField> out;
    if (at >= file.size())
        return out;
    const auto held = std::min<std::uint64_t>(size, file.size() - at);
    const bmp::StreamLayout layout = bmp::ReadStreamLayout(
        kind, file.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(held)));
    for (const bmp::StreamPart& part : layout.parts) {
        const std::uint64_t offset = at + part.offset;
        out.push_back(StructureField{
            part.name, offset,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(part.size, UINT32_MAX)),
            Hex(file, offset, std::min<std::uint64_t>(part.size, 8)), part.value,
            part.fault.empty() ? (kind == bmp::StreamKind::Png ? "PNG 块" : "JPEG 标记段")
                               : "有误：" + part.fault,
            !part.fault.empty(), std::nullopt});
    }
    return out;
}

// An embedded profile's header and tag table.
std::vector<StructureField> ProfileFields(std::span<const std::uint8_t> file, std::uint64_t at,
                                          std::uint64_t size) {
    const bmp::Profile profile = bmp::ParseProfile(file, at, size);
    std::vector<StructureField> out;
    for (const bmp::Field& f : profile.header) {
        const auto v = static_cast<std::uint32_t>(f.value);
        const bool number = f.name == std::string_view("profileSize");
        out.push_back(Own(file, f, number ? std::to_string(v) : "'" + bmp::FourLetters(v) + "'",
                          "ICC 配置文件头的 " + std::string(f.name)));
        if (number)
            out.back().number = v;
    }
    for (const bmp::ProfileTag& t : profile.tags)
        out.push_back(StructureField{
            "tag " + t.signature, t.entry, 12, Hex(file, t.entry, 12),
            std::to_string(t.offset) + " 起 " + std::to_string(t.size) + " 字节",
            t.inside ? "标签表项：数据在配置文件中的偏移和长度" : "标签表项：数据超出配置文件",
            !t.inside, std::nullopt});
    return out;
}

// A bitmap array's records, and the headers of the images other than the one described.
void ArrayRegions(std::span<const std::uint8_t> bytes, std::uint64_t shown,
                  std::vector<Region>& wanted) {
    const bmp::BitmapArray chain = bmp::ParseBitmapArray(bytes);
    for (const bmp::ArrayRecord& r : chain.records) {
        Region record{"位图数组记录（BITMAPARRAYFILEHEADER）", r.offset, 14, false, {}};
        static constexpr const char* kMeanings[] = {
            "签名，位图数组是“BA”", "这个记录的字节数", "下一个记录在文件中的偏移；0 表示最后一个",
            "这幅图像适合的显示宽度；0 表示任意", "这幅图像适合的显示高度；0 表示任意"};
        for (std::size_t i = 0; i < r.fields.size() && i < 5; ++i)
            record.fields.push_back(
                Own(bytes, r.fields[i],
                    i == 0 ? ValueOf(r.fields[i], false) : std::to_string(r.fields[i].value),
                    kMeanings[i]));
        wanted.push_back(std::move(record));
        for (std::size_t k = 0; k < r.images.size(); ++k)
            if (r.images[k] != shown) {
                const bmp::File other = bmp::ParseFile(bytes, r.images[k]);
                wanted.push_back(Region{"另一幅图像的文件头和信息头",
                                        r.images[k],
                                        14 + std::uint64_t{other.header.size},
                                        false,
                                        {}});
            }
    }
}

} // namespace

Structure DescribeStructure(std::span<const std::uint8_t> bytes, std::size_t image) {
    std::vector<Region> wanted;
    std::uint64_t at = 0;
    if (bmp::IsBitmapArray(bytes)) {
        const auto start = bmp::ImageStart(bytes, image);
        at = start.value_or(UINT64_MAX);
        ArrayRegions(bytes, at, wanted);
        if (!start)
            at = bytes.size(); // no such image: the records alone
    }
    const bmp::File file = bmp::ParseFile(bytes, at);
    const bmp::Header& h = file.header;
    const bool os2 = h.kind == bmp::HeaderKind::Os2 || h.kind == bmp::HeaderKind::Core;
    wanted.push_back(Region{"BITMAPFILEHEADER", at, 14, false, FieldsOf(bytes, file.fields, os2)});
    if (file.headerSizeKnown) {
        // Of a header no kind has, only the size field is known to be it.
        const bool unknown = h.kind == bmp::HeaderKind::Unknown;
        const std::vector<bmp::Field> fields(
            h.fields.begin(), unknown && !h.fields.empty() ? h.fields.begin() + 1 : h.fields.end());
        wanted.push_back(Region{unknown ? "未知的信息头" : bmp::HeaderName(h.kind), at + 14,
                                unknown ? 4u : h.size, false, FieldsOf(bytes, fields, os2)});
        if (h.kind == bmp::HeaderKind::Info && h.maskCount > 0) {
            Region masks{h.maskCount == 4 ? "BI_ALPHABITFIELDS 掩码" : "BI_BITFIELDS 掩码",
                         h.masksOffset,
                         4 * static_cast<std::uint64_t>(h.maskCount),
                         false,
                         {}};
            static constexpr const char* kNames[] = {"RedMask", "GreenMask", "BlueMask",
                                                     "AlphaMask"};
            static constexpr FieldId kIds[] = {FieldId::RedMask, FieldId::GreenMask,
                                               FieldId::BlueMask, FieldId::AlphaMask};
            masks.fields = FieldsOf(
                bytes,
                [&] {
                    std::vector<bmp::Field> f;
                    for (int i = 0; i < h.maskCount; ++i)
                        f.push_back(bmp::Field{kIds[i], kNames[i], h.masksOffset + 4u * i, 4,
                                               h.masks[i],
                                               h.masksOffset + 4u * i + 4 > bytes.size()});
                    return f;
                }(),
                os2);
            wanted.push_back(std::move(masks));
        }
        const bmp::PixelStorage storage = bmp::StorageOf(h);
        // A stream of 0 bits a pixel has no table, unless biClrUsed gives one.
        const bool noTable = h.bitCount == 0 && h.clrUsed == 0;
        if (h.entriesDeclared > 0 && h.kind != bmp::HeaderKind::Unknown && !noTable) {
            Region table{"颜色表", h.tableOffset, h.entrySize * h.entriesDeclared, false, {}};
            // Each entry as blue, green, red; only the entries the file holds are read.
            for (std::uint64_t i = 0; i < h.entriesDeclared && i < 256; ++i) {
                const std::uint64_t at = h.tableOffset + h.entrySize * i;
                if (at + h.entrySize > bytes.size())
                    break;
                table.fields.push_back(StructureField{
                    "[" + std::to_string(i) + "]", at, h.entrySize, Hex(bytes, at, h.entrySize),
                    std::to_string(bytes[at]) + "," + std::to_string(bytes[at + 1]) + "," +
                        std::to_string(bytes[at + 2]),
                    i < h.entriesUsed ? "蓝、绿、红" : "超出位数允许的项数，读取程序不用它", false,
                    // As the entry's bytes read as a little-endian number: 0x00RRGGBB.
                    std::int64_t{bytes[at]} | std::int64_t{bytes[at + 1]} << 8 |
                        std::int64_t{bytes[at + 2]} << 16 |
                        (h.entrySize > 3 ? std::int64_t{bytes[at + 3]} << 24 : 0)});
            }
            // A table that reaches past bfOffBits ends there: the bytes after are pixels.
            if (file.bfOffBits > h.tableOffset && table.offset + table.size > file.bfOffBits) {
                table.size = file.bfOffBits - h.tableOffset;
                table.cut = true;
            }
            wanted.push_back(std::move(table));
        }
        const std::uint64_t pixels = storage.IsStream() ? h.sizeImage : h.computedSize;
        Region data{RegionName(storage.kind), file.bfOffBits, pixels, false, {}, true};
        if (storage.kind == bmp::Storage::Png || storage.kind == bmp::Storage::Jpeg)
            data.fields = StreamFields(bytes, file.bfOffBits, pixels,
                                       storage.kind == bmp::Storage::Png ? bmp::StreamKind::Png
                                                                         : bmp::StreamKind::Jpeg);
        wanted.push_back(std::move(data));
        // A V5 header's colour profile: its offset counts from the header's start.
        const bmp::ColourSpace& cs = h.colourSpace;
        if (h.kind == bmp::HeaderKind::V5 &&
            (cs.type == bmp::kProfileEmbedded || cs.type == bmp::kProfileLinked) &&
            cs.profileSize > 0) {
            const bool embedded = cs.type == bmp::kProfileEmbedded;
            const std::uint64_t start = at + 14 + std::uint64_t{cs.profileData};
            wanted.push_back(Region{embedded ? "嵌入的颜色配置文件" : "链接的颜色配置文件名", start,
                                    cs.profileSize, false,
                                    embedded ? ProfileFields(bytes, start, cs.profileSize)
                                             : std::vector<StructureField>{}});
        }
    }
    std::stable_sort(wanted.begin(), wanted.end(),
                     [](const Region& a, const Region& b) { return a.offset < b.offset; });

    // Laid end to end: each byte goes to the first region that claims it, and bytes no
    // region claims are a gap or trailing data.
    Structure s;
    s.size = bytes.size();
    std::uint64_t cursor = 0;
    for (Region& r : wanted) {
        const std::uint64_t end = r.size > UINT64_MAX - r.offset ? UINT64_MAX : r.offset + r.size;
        const std::uint64_t start = std::max(cursor, r.offset);
        const std::uint64_t stop = std::min<std::uint64_t>(end, bytes.size());
        if (start > cursor && cursor < bytes.size())
            s.regions.push_back(Region{
                "间隙", cursor, std::min<std::uint64_t>(start, bytes.size()) - cursor, false, {}});
        if (stop <= start)
            continue;
        r.cut = r.cut || stop < end || start > r.offset;
        r.offset = start;
        r.size = stop - start;
        cursor = stop;
        s.regions.push_back(std::move(r));
    }
    if (cursor < bytes.size())
        s.regions.push_back(Region{"文件末尾的多余数据", cursor, bytes.size() - cursor, false, {}});
    return s;
}

} // namespace inspect
