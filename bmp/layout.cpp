#include "bmp/layout.h"

#include "bmp/bytes.h"
#include "bmp/colour_table.h"

#include <algorithm>

namespace bmp {
namespace {

struct FieldSpec {
    FieldId id;
    const char* name;
    std::uint32_t offset, size;
    bool isSigned;
};

// The fields of each kind, in order, under the format's own names.
constexpr FieldSpec kCore[] = {{FieldId::Size, "bcSize", 0, 4, false},
                               {FieldId::Width, "bcWidth", 4, 2, false},
                               {FieldId::Height, "bcHeight", 6, 2, false},
                               {FieldId::Planes, "bcPlanes", 8, 2, false},
                               {FieldId::BitCount, "bcBitCount", 10, 2, false}};
constexpr FieldSpec kInfo[] = {{FieldId::Size, "biSize", 0, 4, false},
                               {FieldId::Width, "biWidth", 4, 4, true},
                               {FieldId::Height, "biHeight", 8, 4, true},
                               {FieldId::Planes, "biPlanes", 12, 2, false},
                               {FieldId::BitCount, "biBitCount", 14, 2, false},
                               {FieldId::Compression, "biCompression", 16, 4, false},
                               {FieldId::SizeImage, "biSizeImage", 20, 4, false},
                               {FieldId::XPelsPerMeter, "biXPelsPerMeter", 24, 4, true},
                               {FieldId::YPelsPerMeter, "biYPelsPerMeter", 28, 4, true},
                               {FieldId::ClrUsed, "biClrUsed", 32, 4, false},
                               {FieldId::ClrImportant, "biClrImportant", 36, 4, false}};
constexpr FieldSpec kOs2Tail[] = {{FieldId::Units, "usUnits", 40, 2, false},
                                  {FieldId::Os2Reserved, "usReserved", 42, 2, false},
                                  {FieldId::Recording, "usRecording", 44, 2, false},
                                  {FieldId::Rendering, "usRendering", 46, 2, false},
                                  {FieldId::Size1, "cSize1", 48, 4, false},
                                  {FieldId::Size2, "cSize2", 52, 4, false},
                                  {FieldId::ColorEncoding, "ulColorEncoding", 56, 4, false},
                                  {FieldId::Identifier, "ulIdentifier", 60, 4, false}};
constexpr FieldSpec kV4Tail[] = {{FieldId::RedMask, "RedMask", 40, 4, false},
                                 {FieldId::GreenMask, "GreenMask", 44, 4, false},
                                 {FieldId::BlueMask, "BlueMask", 48, 4, false},
                                 {FieldId::AlphaMask, "AlphaMask", 52, 4, false},
                                 {FieldId::CSType, "CSType", 56, 4, false},
                                 {FieldId::Endpoints, "Endpoints", 60, 36, false},
                                 {FieldId::GammaRed, "GammaRed", 96, 4, false},
                                 {FieldId::GammaGreen, "GammaGreen", 100, 4, false},
                                 {FieldId::GammaBlue, "GammaBlue", 104, 4, false},
                                 {FieldId::Intent, "Intent", 108, 4, false},
                                 {FieldId::ProfileData, "ProfileData", 112, 4, false},
                                 {FieldId::ProfileSize, "ProfileSize", 116, 4, false},
                                 {FieldId::Reserved, "Reserved", 120, 4, false}};
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
constexpr FieldSpec kFileHeader[] = {{FieldId::Type, "bfType", 0, 2, false},
                                     {FieldId::FileSize, "bfSize", 2, 4, false},
                                     {FieldId::Reserved1, "bfReserved1", 6, 2, false},
                                     {FieldId::Reserved2, "bfReserved2", 8, 2, false},
                                     {FieldId::OffBits, "bfOffBits", 10, 4, false}};

void AddField(std::vector<Field>& out, const Bytes& r, const FieldSpec& f, const char* name) {
    out.push_back(Field{f.id, name, f.offset, f.size,
                        f.size <= 8 ? r.Value(f.offset, f.size, f.isSigned) : 0,
                        !r.Holds(f.offset, f.size)});
}

// The typed values of a V4 or V5 header, and of an OS/2 2.x header's tail, from the
// fields its size holds.
void ReadTails(Header& h, const Bytes& r) {
    auto in = [&](std::uint32_t at, std::uint32_t size) { return at + size <= h.size; };
    if (h.kind == HeaderKind::V4 || h.kind == HeaderKind::V5) {
        ColourSpace& c = h.colourSpace;
        c.type = in(56, 4) ? r.U32(56) : 0;
        for (std::uint32_t i = 0; i < 9; ++i)
            c.endpoints[i] = in(60 + 4 * i, 4) ? static_cast<std::int32_t>(r.U32(60 + 4 * i)) : 0;
        for (std::uint32_t i = 0; i < 3; ++i)
            c.gamma[i] = in(96 + 4 * i, 4) ? r.U32(96 + 4 * i) : 0;
        if (h.kind == HeaderKind::V5) {
            c.intent = r.U32(108);
            c.profileData = r.U32(112);
            c.profileSize = r.U32(116);
            c.reserved = r.U32(120);
        }
    } else if (h.kind == HeaderKind::Os2) {
        Os2Tail& t = h.os2;
        t.units = in(40, 2) ? r.U16(40) : 0;
        t.reserved = in(42, 2) ? r.U16(42) : 0;
        t.recording = in(44, 2) ? r.U16(44) : 0;
        t.rendering = in(46, 2) ? r.U16(46) : 0;
        t.size1 = in(48, 4) ? r.U32(48) : 0;
        t.size2 = in(52, 4) ? r.U32(52) : 0;
        t.colorEncoding = in(56, 4) ? r.U32(56) : 0;
        t.identifier = in(60, 4) ? r.U32(60) : 0;
    }
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

const Field* Header::Find(FieldId id) const {
    for (const Field& f : fields)
        if (f.id == id)
            return &f;
    return nullptr;
}

Field InfoHeaderPlace(FieldId id) {
    for (const FieldSpec& f : kInfo)
        if (f.id == id)
            return Field{id, "", 14 + std::uint64_t{f.offset}, f.size, 0, false};
    for (const FieldSpec& f : kV4Tail)
        if (f.id == id)
            return Field{id, "", 14 + std::uint64_t{f.offset}, f.size, 0, false};
    return Field{id, "", 14, 0, 0, false};
}

Header ParseHeader(std::span<const std::uint8_t> bytes) {
    const Bytes r(bytes);
    Header h;
    h.size = r.U32(0);
    h.kind = KindOfHeader(h.size);
    if (h.kind == HeaderKind::Core) {
        h.width = r.U16(4);
        h.height = r.U16(6);
        h.planes = r.U16(8);
        h.bitCount = r.U16(10);
        h.entrySize = 3;
        for (const FieldSpec& f : kCore)
            AddField(h.fields, r, f, f.name);
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
            AddField(h.fields, r, f, name);
        }
        if (h.kind == HeaderKind::Os2) {
            for (const FieldSpec& f : kOs2Tail)
                if (f.offset + f.size <= h.size)
                    AddField(h.fields, r, f, f.name);
        } else if (h.size > 40 && h.kind != HeaderKind::Unknown) {
            for (std::size_t i = 0; i < std::size(kV4Tail); ++i) {
                const FieldSpec& f = kV4Tail[i];
                if (f.offset + f.size > h.size)
                    break;
                const char* name = v5                        ? kV5Names[i]
                                   : i < std::size(kV4Names) ? kV4Names[i]
                                                             : f.name;
                AddField(h.fields, r, f, name);
            }
        }
        ReadTails(h, r);
    }
    h.rows = static_cast<std::uint64_t>(RowCount(h.height));

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
        h.masks[i] = r.U32(h.masksOffset + 4 * static_cast<std::uint64_t>(i));
    h.tableOffset = h.kind == HeaderKind::Core ? 12
                    : inside || h.maskCount == 0
                        ? h.size
                        : h.size + 4 * static_cast<std::uint64_t>(h.maskCount);
    h.entriesDeclared =
        h.kind == HeaderKind::Core ? FullTable(h.bitCount) : DeclaredEntries(h.bitCount, h.clrUsed);
    h.entriesUsed = UsedEntries(h.bitCount, h.entriesDeclared);
    h.cut = !r.Holds(0, std::max<std::uint64_t>(h.tableOffset, 4));

    if (h.width > 0) {
        h.stride = static_cast<std::uint64_t>(RowBytes(h.width, h.bitCount));
        if (!CheckedMul(h.stride, h.rows, h.computedSize))
            h.computedSize = UINT64_MAX;
    }
    h.usedSize = UsedImageSize(static_cast<std::int32_t>(h.width),
                               static_cast<std::int32_t>(h.height), h.bitCount, h.sizeImage);
    return h;
}

File ParseFile(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    const Bytes r(bytes);
    File f;
    f.size = bytes.size();
    f.start = at;
    f.signature = r.Holds(at, 2) && bytes[at] == 'B' && bytes[at + 1] == 'M';
    f.bfSize = r.U32(at + 2);
    f.bfReserved1 = r.U16(at + 6);
    f.bfReserved2 = r.U16(at + 8);
    f.bfOffBits = r.U32(at + 10);
    const Bytes own(at < bytes.size() ? bytes.subspan(static_cast<std::size_t>(at))
                                      : std::span<const std::uint8_t>());
    for (const FieldSpec& s : kFileHeader)
        AddField(f.fields, own, s, s.name);
    for (Field& field : f.fields)
        field.offset += at;
    f.headerSizeKnown = r.Holds(at + 14, 4);
    const std::uint64_t info = at + 14;
    f.header = ParseHeader(bytes.size() > info ? bytes.subspan(static_cast<std::size_t>(info))
                                               : std::span<const std::uint8_t>());
    f.header.masksOffset += info;
    f.header.tableOffset += info;
    for (Field& field : f.header.fields)
        field.offset += info;
    return f;
}

} // namespace bmp
