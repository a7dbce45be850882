#include "inspect/structure.h"

#include "bmp/layout.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace inspect {
namespace {

// What a field means, by the part of its name after its prefix (bf, bi, bV4, bV5, bc, …).
struct Meaning {
    std::string_view suffix;
    const char* text;
};
constexpr Meaning kMeanings[] = {
    {"Type", "签名，BMP 文件是“BM”"},
    {"Size", "信息头的字节数，由它分辨信息头的种类"},
    {"Reserved1", "保留，应为 0"},
    {"Reserved2", "保留，应为 0"},
    {"OffBits", "像素数据在文件中的偏移"},
    {"Width", "宽度（像素）"},
    {"Height", "高度（像素）；负数表示自上而下存放"},
    {"Planes", "位面数，应为 1"},
    {"BitCount", "每个像素的位数"},
    {"Compression", "压缩方式"},
    {"SizeImage", "像素数据的字节数；未压缩时可以为 0"},
    {"XPelsPerMeter", "水平分辨率（像素/米）"},
    {"YPelsPerMeter", "垂直分辨率（像素/米）"},
    {"ClrUsed", "颜色表的项数；0 表示按位数取满"},
    {"ClrImportant", "重要颜色的项数；0 表示全部"},
    {"RedMask", "红色分量的位掩码"},
    {"GreenMask", "绿色分量的位掩码"},
    {"BlueMask", "蓝色分量的位掩码"},
    {"AlphaMask", "透明度分量的位掩码"},
    {"CSType", "颜色空间类型（四个字母）"},
    {"Endpoints", "红、绿、蓝端点的 CIEXYZ 坐标（2.30 定点数）"},
    {"GammaRed", "红色的伽马值（16.16 定点数）"},
    {"GammaGreen", "绿色的伽马值（16.16 定点数）"},
    {"GammaBlue", "蓝色的伽马值（16.16 定点数）"},
    {"Intent", "渲染意图"},
    {"ProfileData", "颜色配置文件相对于信息头开头的偏移"},
    {"ProfileSize", "颜色配置文件的字节数"},
    {"Reserved", "保留，应为 0"},
};
// OS/2 names of the same fields.
constexpr std::pair<std::string_view, std::string_view> kOs2Names[] = {
    {"cbFix", "Size"},
    {"cx", "Width"},
    {"cy", "Height"},
    {"cPlanes", "Planes"},
    {"cBitCount", "BitCount"},
    {"ulCompression", "Compression"},
    {"cbImage", "SizeImage"},
    {"cxResolution", "XPelsPerMeter"},
    {"cyResolution", "YPelsPerMeter"},
    {"cclrUsed", "ClrUsed"},
    {"cclrImportant", "ClrImportant"}};

std::string MeaningOf(std::string_view name) {
    if (name == "bfSize")
        return "整个文件的字节数";
    for (const auto& [os2, windows] : kOs2Names)
        if (name == os2)
            name = windows;
    const char* best = "";
    std::size_t bestLength = 0;
    for (const Meaning& m : kMeanings) {
        if (name.size() >= m.suffix.size() && m.suffix.size() > bestLength &&
            name.substr(name.size() - m.suffix.size()) == m.suffix) {
            best = m.text;
            bestLength = m.suffix.size();
        }
    }
    static constexpr std::pair<std::string_view, const char*> kOs2Tail[] = {
        {"usUnits", "分辨率的单位，0 表示像素/米"},
        {"usReserved", "保留，应为 0"},
        {"usRecording", "行的存放次序，0 表示自下而上"},
        {"usRendering", "半色调算法，0 表示没有"},
        {"cSize1", "半色调算法的第一个参数"},
        {"cSize2", "半色调算法的第二个参数"},
        {"ulColorEncoding", "颜色编码，0 表示 RGB"},
        {"ulIdentifier", "留给应用程序自用的值"}};
    for (const auto& [os2, text] : kOs2Tail)
        if (name == os2)
            return text;
    return best;
}

std::string CompressionName(std::int64_t c, bool os2) {
    static constexpr const char* kNames[] = {
        "BI_RGB", "BI_RLE8", "BI_RLE4", "BI_BITFIELDS", "BI_JPEG", "BI_PNG", "BI_ALPHABITFIELDS"};
    if (os2 && c == 3)
        return "3 (Huffman 1D)";
    if (os2 && c == 4)
        return "4 (RLE24)";
    return std::to_string(c) + (c >= 0 && c < 7 ? std::string(" (") + kNames[c] + ")" : "");
}

std::string ValueOf(const bmp::Field& f, bool os2) {
    const std::string_view name = f.name;
    auto endsWith = [&](std::string_view s) {
        return name.size() >= s.size() && name.substr(name.size() - s.size()) == s;
    };
    char buf[32];
    if (f.size > 8)
        return "";
    if (endsWith("Mask")) {
        std::snprintf(buf, sizeof buf, "0x%08llx", static_cast<unsigned long long>(f.value));
        return buf;
    }
    if (endsWith("CSType")) {
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
    if (endsWith("Compression"))
        return CompressionName(f.value, os2);
    if (endsWith("Intent")) {
        static constexpr std::pair<std::int64_t, const char*> kIntents[] = {
            {1, "LCS_GM_BUSINESS"},
            {2, "LCS_GM_GRAPHICS"},
            {4, "LCS_GM_IMAGES"},
            {8, "LCS_GM_ABS_COLORIMETRIC"}};
        for (const auto& [v, n] : kIntents)
            if (f.value == v)
                return std::to_string(v) + " (" + n + ")";
    }
    if (name == "bfType") {
        const char s[3] = {static_cast<char>(f.value & 0xFF), static_cast<char>(f.value >> 8), 0};
        return std::string("'") + s + "'";
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
    for (const bmp::Field& f : fields)
        out.push_back(StructureField{f.name, f.offset, f.size, Hex(file, f.offset, f.size),
                                     ValueOf(f, os2), MeaningOf(f.name), f.cut});
    return out;
}

} // namespace

Structure DescribeStructure(std::span<const std::uint8_t> bytes) {
    const bmp::File file = bmp::ParseFile(bytes);
    const bmp::Header& h = file.header;
    const bool os2 = h.kind == bmp::HeaderKind::Os2 || h.kind == bmp::HeaderKind::Core;
    std::vector<Region> wanted;
    wanted.push_back(Region{"BITMAPFILEHEADER", 0, 14, false, FieldsOf(bytes, file.fields, os2)});
    if (file.headerSizeKnown) {
        // Of a header no kind has, only the size field is known to be it.
        const bool unknown = h.kind == bmp::HeaderKind::Unknown;
        const std::vector<bmp::Field> fields(
            h.fields.begin(), unknown && !h.fields.empty() ? h.fields.begin() + 1 : h.fields.end());
        wanted.push_back(Region{unknown ? "未知的信息头" : bmp::HeaderName(h.kind), 14,
                                unknown ? 4u : h.size, false, FieldsOf(bytes, fields, os2)});
        if (h.kind == bmp::HeaderKind::Info && h.maskCount > 0) {
            Region masks{h.maskCount == 4 ? "BI_ALPHABITFIELDS 掩码" : "BI_BITFIELDS 掩码",
                         h.masksOffset,
                         4 * static_cast<std::uint64_t>(h.maskCount),
                         false,
                         {}};
            static constexpr const char* kNames[] = {"RedMask", "GreenMask", "BlueMask",
                                                     "AlphaMask"};
            masks.fields = FieldsOf(
                bytes,
                [&] {
                    std::vector<bmp::Field> f;
                    for (int i = 0; i < h.maskCount; ++i)
                        f.push_back(bmp::Field{kNames[i], h.masksOffset + 4u * i, 4, h.masks[i],
                                               h.masksOffset + 4u * i + 4 > bytes.size()});
                    return f;
                }(),
                os2);
            wanted.push_back(std::move(masks));
        }
        if (h.entriesDeclared > 0 && h.kind != bmp::HeaderKind::Unknown) {
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
                    i < h.entriesUsed ? "蓝、绿、红" : "超出位数允许的项数，读取程序不用它",
                    false});
            }
            // A table that reaches past bfOffBits ends there: the bytes after are pixels.
            if (file.bfOffBits > h.tableOffset && table.offset + table.size > file.bfOffBits) {
                table.size = file.bfOffBits - h.tableOffset;
                table.cut = true;
            }
            wanted.push_back(std::move(table));
        }
        // OS/2 2.x calls compression 3 Huffman 1D and 4 RLE24: streams, not embedded images.
        const bool os2 = h.kind == bmp::HeaderKind::Os2;
        const bool payload = !os2 && (h.compression == 4 || h.compression == 5);
        const bool rle = h.compression == 1 || h.compression == 2 || (os2 && h.compression == 4);
        const std::uint64_t pixels =
            payload || rle || (os2 && h.compression == 3) ? h.sizeImage : h.computedSize;
        wanted.push_back(Region{payload
                                    ? (h.compression == 4 ? "嵌入的 JPEG 图像" : "嵌入的 PNG 图像")
                                : rle                       ? "游程编码的像素数据"
                                : os2 && h.compression == 3 ? "Huffman 1D 编码的像素数据"
                                                            : "像素数据",
                                file.bfOffBits,
                                pixels,
                                false,
                                {}});
        // A V5 header's colour profile: its offset counts from the header's start.
        if (h.kind == bmp::HeaderKind::V5) {
            std::uint64_t data = 0, size = 0, type = 0;
            for (const bmp::Field& f : h.fields) {
                const std::string_view n = f.name;
                if (n == "bV5ProfileData")
                    data = static_cast<std::uint64_t>(f.value);
                else if (n == "bV5ProfileSize")
                    size = static_cast<std::uint64_t>(f.value);
                else if (n == "bV5CSType")
                    type = static_cast<std::uint64_t>(f.value);
            }
            if ((type == 0x4D424544 || type == 0x4C494E4B) && size > 0)
                wanted.push_back(
                    Region{type == 0x4D424544 ? "嵌入的颜色配置文件" : "链接的颜色配置文件名",
                           14 + data,
                           size,
                           false,
                           {}});
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
