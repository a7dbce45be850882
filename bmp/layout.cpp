#include "bmp/layout.h"

#include <algorithm>

namespace bmp {
namespace {

struct FieldSpec {
    const char* name;
    std::uint32_t offset, size;
    bool isSigned;
};

// The fields of each kind, in order, under the format's own names.
constexpr FieldSpec kCore[] = {{"bcSize", 0, 4, false},
                               {"bcWidth", 4, 2, false},
                               {"bcHeight", 6, 2, false},
                               {"bcPlanes", 8, 2, false},
                               {"bcBitCount", 10, 2, false}};
constexpr FieldSpec kInfo[] = {{"biSize", 0, 4, false},          {"biWidth", 4, 4, true},
                               {"biHeight", 8, 4, true},         {"biPlanes", 12, 2, false},
                               {"biBitCount", 14, 2, false},     {"biCompression", 16, 4, false},
                               {"biSizeImage", 20, 4, false},    {"biXPelsPerMeter", 24, 4, true},
                               {"biYPelsPerMeter", 28, 4, true}, {"biClrUsed", 32, 4, false},
                               {"biClrImportant", 36, 4, false}};
constexpr FieldSpec kOs2Tail[] = {
    {"usUnits", 40, 2, false},         {"usReserved", 42, 2, false},  {"usRecording", 44, 2, false},
    {"usRendering", 46, 2, false},     {"cSize1", 48, 4, false},      {"cSize2", 52, 4, false},
    {"ulColorEncoding", 56, 4, false}, {"ulIdentifier", 60, 4, false}};
constexpr FieldSpec kV4Tail[] = {
    {"RedMask", 40, 4, false},   {"GreenMask", 44, 4, false},    {"BlueMask", 48, 4, false},
    {"AlphaMask", 52, 4, false}, {"CSType", 56, 4, false},       {"Endpoints", 60, 36, false},
    {"GammaRed", 96, 4, false},  {"GammaGreen", 100, 4, false},  {"GammaBlue", 104, 4, false},
    {"Intent", 108, 4, false},   {"ProfileData", 112, 4, false}, {"ProfileSize", 116, 4, false},
    {"Reserved", 120, 4, false}};
// The OS/2 2.x names of the 40-byte fields.
constexpr const char* kOs2Names[] = {
    "cbFix",   "cx",           "cy",           "cPlanes",  "cBitCount",    "ulCompression",
    "cbImage", "cxResolution", "cyResolution", "cclrUsed", "cclrImportant"};
// Field names V2 to V5 give their masks and the rest, as bV4… or bV5….
constexpr const char* kV4Names[] = {"bV4RedMask",   "bV4GreenMask",  "bV4BlueMask",
                                    "bV4AlphaMask", "bV4CSType",     "bV4Endpoints",
                                    "bV4GammaRed",  "bV4GammaGreen", "bV4GammaBlue"};
constexpr const char* kV5Names[] = {
    "bV5RedMask",     "bV5GreenMask",   "bV5BlueMask",   "bV5AlphaMask", "bV5CSType",
    "bV5Endpoints",   "bV5GammaRed",    "bV5GammaGreen", "bV5GammaBlue", "bV5Intent",
    "bV5ProfileData", "bV5ProfileSize", "bV5Reserved"};
constexpr const char* kV4Lead[] = {"bV4Size",      "bV4Width",         "bV4Height",
                                   "bV4Planes",    "bV4BitCount",      "bV4V4Compression",
                                   "bV4SizeImage", "bV4XPelsPerMeter", "bV4YPelsPerMeter",
                                   "bV4ClrUsed",   "bV4ClrImportant"};
constexpr const char* kV5Lead[] = {"bV5Size",      "bV5Width",         "bV5Height",
                                   "bV5Planes",    "bV5BitCount",      "bV5Compression",
                                   "bV5SizeImage", "bV5XPelsPerMeter", "bV5YPelsPerMeter",
                                   "bV5ClrUsed",   "bV5ClrImportant"};

// Little-endian reads that count bytes past the span as zero.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint64_t Unsigned(std::uint64_t at, std::uint32_t size) const {
        std::uint64_t v = 0;
        for (std::uint32_t i = size; i-- > 0;)
            v = v << 8 | (at + i < m_bytes.size() ? m_bytes[at + i] : 0u);
        return v;
    }
    std::int64_t Value(std::uint64_t at, std::uint32_t size, bool isSigned) const {
        const std::uint64_t v = Unsigned(at, size);
        if (!isSigned || size >= 8)
            return static_cast<std::int64_t>(v);
        const std::uint64_t sign = std::uint64_t{1} << (8 * size - 1);
        return static_cast<std::int64_t>((v ^ sign) - sign);
    }
    bool Holds(std::uint64_t at, std::uint64_t size) const {
        return at <= m_bytes.size() && size <= m_bytes.size() - at;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

void AddField(std::vector<Field>& out, const Reader& r, std::uint64_t base, const char* name,
              std::uint32_t offset, std::uint32_t size, bool isSigned) {
    out.push_back(Field{name, base + offset, size, size <= 8 ? r.Value(offset, size, isSigned) : 0,
                        !r.Holds(offset, size)});
}

} // namespace

HeaderKind KindOfHeader(std::uint32_t size) {
    switch (size) {
    case 12:
        return HeaderKind::Core;
    case 40:
        return HeaderKind::Info;
    case 52:
        return HeaderKind::V2;
    case 56:
        return HeaderKind::V3;
    case 108:
        return HeaderKind::V4;
    case 124:
        return HeaderKind::V5;
    default:
        return size >= 16 && size <= 64 ? HeaderKind::Os2 : HeaderKind::Unknown;
    }
}

const char* HeaderName(HeaderKind kind) {
    switch (kind) {
    case HeaderKind::Core:
        return "BITMAPCOREHEADER";
    case HeaderKind::Os2:
        return "OS22XBITMAPHEADER";
    case HeaderKind::Info:
        return "BITMAPINFOHEADER";
    case HeaderKind::V2:
        return "BITMAPV2INFOHEADER";
    case HeaderKind::V3:
        return "BITMAPV3INFOHEADER";
    case HeaderKind::V4:
        return "BITMAPV4HEADER";
    case HeaderKind::V5:
        return "BITMAPV5HEADER";
    default:
        return "unknown header";
    }
}

Header ParseHeader(std::span<const std::uint8_t> bytes) {
    const Reader r(bytes);
    Header h;
    h.size = static_cast<std::uint32_t>(r.Unsigned(0, 4));
    h.kind = KindOfHeader(h.size);
    if (h.kind == HeaderKind::Core) {
        h.width = static_cast<std::int64_t>(r.Unsigned(4, 2));
        h.height = static_cast<std::int64_t>(r.Unsigned(6, 2));
        h.planes = static_cast<std::uint16_t>(r.Unsigned(8, 2));
        h.bitCount = static_cast<std::uint16_t>(r.Unsigned(10, 2));
        h.entrySize = 3;
        for (const FieldSpec& f : kCore)
            AddField(h.fields, r, 0, f.name, f.offset, f.size, f.isSigned);
    } else {
        // Fields past the header's own size are absent, and read as 0.
        auto field = [&](std::uint32_t at, std::uint32_t size, bool isSigned) -> std::int64_t {
            return at + size <= h.size ? r.Value(at, size, isSigned) : 0;
        };
        h.width = field(4, 4, true);
        h.height = field(8, 4, true);
        h.planes = static_cast<std::uint16_t>(field(12, 2, false));
        h.bitCount = static_cast<std::uint16_t>(field(14, 2, false));
        h.compression = static_cast<std::uint32_t>(field(16, 4, false));
        h.sizeImage = static_cast<std::uint32_t>(field(20, 4, false));
        h.xPelsPerMeter = static_cast<std::int32_t>(field(24, 4, true));
        h.yPelsPerMeter = static_cast<std::int32_t>(field(28, 4, true));
        h.clrUsed = static_cast<std::uint32_t>(field(32, 4, false));
        h.clrImportant = static_cast<std::uint32_t>(field(36, 4, false));
        const bool v4 = h.kind == HeaderKind::V4, v5 = h.kind == HeaderKind::V5;
        for (std::size_t i = 0; i < std::size(kInfo); ++i) {
            const FieldSpec& f = kInfo[i];
            if (f.offset + f.size > h.size && i > 0)
                break;
            const char* name = h.kind == HeaderKind::Os2 ? kOs2Names[i]
                               : v4                      ? kV4Lead[i]
                               : v5                      ? kV5Lead[i]
                                                         : f.name;
            AddField(h.fields, r, 0, name, f.offset, f.size, f.isSigned);
        }
        if (h.kind == HeaderKind::Os2) {
            for (const FieldSpec& f : kOs2Tail)
                if (f.offset + f.size <= h.size)
                    AddField(h.fields, r, 0, f.name, f.offset, f.size, f.isSigned);
        } else if (h.size > 40 && h.kind != HeaderKind::Unknown) {
            for (std::size_t i = 0; i < std::size(kV4Tail); ++i) {
                const FieldSpec& f = kV4Tail[i];
                if (f.offset + f.size > h.size)
                    break;
                const char* name = v5                        ? kV5Names[i]
                                   : i < std::size(kV4Names) ? kV4Names[i]
                                                             : f.name;
                AddField(h.fields, r, 0, name, f.offset, f.size, f.isSigned);
            }
        }
    }
    h.rows =
        h.height < 0 ? static_cast<std::uint64_t>(-h.height) : static_cast<std::uint64_t>(h.height);

    // Masks inside the header from V2 on (OS/2 has none), or after a 40-byte one that
    // calls for them.
    const bool inside = h.size >= 52 && h.kind != HeaderKind::Unknown && h.kind != HeaderKind::Os2;
    if (inside) {
        h.maskCount = h.size >= 56 ? 4 : 3;
        h.masksOffset = 40;
    } else if (h.kind == HeaderKind::Info && (h.compression == 3 || h.compression == 6)) {
        h.maskCount = h.compression == 6 ? 4 : 3;
        h.masksOffset = 40;
    }
    for (int i = 0; i < h.maskCount; ++i)
        h.masks[i] = static_cast<std::uint32_t>(
            r.Unsigned(h.masksOffset + 4 * static_cast<std::uint64_t>(i), 4));
    h.tableOffset = h.kind == HeaderKind::Core ? 12
                    : inside || h.maskCount == 0
                        ? h.size
                        : h.size + 4 * static_cast<std::uint64_t>(h.maskCount);
    const std::uint64_t full = h.bitCount <= 8 ? std::uint64_t{1} << h.bitCount : 0;
    h.entriesDeclared = h.kind == HeaderKind::Core ? full : h.clrUsed != 0 ? h.clrUsed : full;
    h.entriesUsed = full != 0 ? std::min(h.entriesDeclared, full) : h.entriesDeclared;
    h.cut = !r.Holds(0, std::max<std::uint64_t>(h.tableOffset, 4));

    if (h.width > 0) {
        h.stride = static_cast<std::uint64_t>((h.width * h.bitCount + 31) / 32 * 4);
        if (__builtin_mul_overflow(h.stride, h.rows, &h.computedSize))
            h.computedSize = UINT64_MAX;
    }
    h.usedSize = UsedImageSize(static_cast<std::int32_t>(h.width),
                               static_cast<std::int32_t>(h.height), h.bitCount, h.sizeImage);
    return h;
}

File ParseFile(std::span<const std::uint8_t> bytes) {
    const Reader r(bytes);
    File f;
    f.size = bytes.size();
    f.signature = r.Holds(0, 2) && bytes[0] == 'B' && bytes[1] == 'M';
    f.bfSize = static_cast<std::uint32_t>(r.Unsigned(2, 4));
    f.bfReserved1 = static_cast<std::uint16_t>(r.Unsigned(6, 2));
    f.bfReserved2 = static_cast<std::uint16_t>(r.Unsigned(8, 2));
    f.bfOffBits = static_cast<std::uint32_t>(r.Unsigned(10, 4));
    for (const FieldSpec& s :
         {FieldSpec{"bfType", 0, 2, false}, FieldSpec{"bfSize", 2, 4, false},
          FieldSpec{"bfReserved1", 6, 2, false}, FieldSpec{"bfReserved2", 8, 2, false},
          FieldSpec{"bfOffBits", 10, 4, false}})
        AddField(f.fields, r, 0, s.name, s.offset, s.size, s.isSigned);
    f.headerSizeKnown = r.Holds(14, 4);
    f.header = ParseHeader(bytes.size() > 14 ? bytes.subspan(14) : std::span<const std::uint8_t>());
    f.header.masksOffset += 14;
    f.header.tableOffset += 14;
    for (Field& field : f.header.fields)
        field.offset += 14;
    return f;
}

std::optional<Refusal> OpenCommandRefusal(const File& f) {
    if (!f.signature || f.size < 14)
        return Refusal{"magic", 0, "文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它"};
    // The header's kind first: it is what a file of another writer differs by.
    if (f.headerSizeKnown && f.header.size != 40) {
        const bool known = f.header.kind != HeaderKind::Unknown;
        return Refusal{"header-size", 14,
                       "信息头长 " + std::to_string(f.header.size) + " 字节" +
                           (known ? std::string("，是 ") + HeaderName(f.header.kind) : "") +
                           "；Pixscope 的打开命令只读取 40 字节的 BITMAPINFOHEADER"};
    }
    if (f.bfOffBits < 54 || !f.headerSizeKnown)
        return Refusal{"offbits-overlap", 10,
                       "bfOffBits 小于 54，放不下 40 字节的信息头：打开命令拒绝它"};
    const std::uint16_t bits = f.header.bitCount;
    const std::uint64_t entries = f.header.clrUsed != 0 ? f.header.clrUsed
                                  : bits == 1           ? 2
                                  : bits == 4           ? 16
                                  : bits == 8           ? 256
                                                        : 0;
    if (14 + 40 + 4 * entries > f.bfOffBits)
        return Refusal{"clr-used", 46, "颜色表超出 bfOffBits 之前的信息头块：打开命令拒绝它"};
    return std::nullopt;
}

} // namespace bmp
