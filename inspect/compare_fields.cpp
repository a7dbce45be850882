#include "inspect/compare_fields.h"

#include "bmp/layout.h"
#include "bmp/pixel_format.h"

#include <algorithm>
#include <cstdio>

namespace inspect {

namespace {

using bmp::FieldId;

// The fields compared, in the order a header lists them, by the names scripts use.
constexpr struct {
    FieldId id;
    const char* name;
} kByMeaning[] = {
    {FieldId::FileSize, "fileSize"},
    {FieldId::Reserved1, "reserved1"},
    {FieldId::Reserved2, "reserved2"},
    {FieldId::OffBits, "offBits"},
    {FieldId::Size, "headerSize"},
    {FieldId::Width, "width"},
    {FieldId::Height, "height"},
    {FieldId::Planes, "planes"},
    {FieldId::BitCount, "bitCount"},
    {FieldId::Compression, "compression"},
    {FieldId::SizeImage, "sizeImage"},
    {FieldId::XPelsPerMeter, "xPelsPerMeter"},
    {FieldId::YPelsPerMeter, "yPelsPerMeter"},
    {FieldId::ClrUsed, "clrUsed"},
    {FieldId::ClrImportant, "clrImportant"},
    {FieldId::CSType, "csType"},
    {FieldId::GammaRed, "gammaRed"},
    {FieldId::GammaGreen, "gammaGreen"},
    {FieldId::GammaBlue, "gammaBlue"},
    {FieldId::Intent, "intent"},
    {FieldId::ProfileSize, "profileSize"},
};

struct Side {
    std::span<const std::uint8_t> bytes;
    bmp::File file;

    FieldValue Of(FieldId id) const {
        const auto& fields = IsFileHeader(id) ? file.fields : file.header.fields;
        for (const bmp::Field& f : fields)
            if (f.id == id)
                return {f.value, {}, false, f.offset};
        // A shorter header means these: no compression, no resolution, the full table.
        if (id == FieldId::Compression || id == FieldId::XPelsPerMeter ||
            id == FieldId::YPelsPerMeter || id == FieldId::ClrUsed || id == FieldId::ClrImportant)
            return {0, {}, true, std::nullopt};
        return {};
    }
    static bool IsFileHeader(FieldId id) {
        return id == FieldId::FileSize || id == FieldId::Reserved1 || id == FieldId::Reserved2 ||
               id == FieldId::OffBits;
    }
    // The masks in force, the header's or those the depth implies; none where the
    // pixels are not masked (a V5 header's masks beside BI_RGB at 24 bits mean nothing).
    FieldValue Mask(int i) const {
        const bmp::PixelFormat f = bmp::Classify(file.header, bmp::Rules::File);
        if (f.encoding != bmp::Encoding::Masked)
            return {};
        const bmp::Channel* channels[] = {&f.red, &f.green, &f.blue, &f.alpha};
        const bmp::Header& h = file.header;
        return {channels[i]->mask,
                {},
                false,
                i < h.maskCount ? std::optional(h.masksOffset + 4 * i) : std::nullopt};
    }
    // Colour-table entry i as 0xRRGGBB; nothing past the entries the reader takes.
    FieldValue Entry(std::uint64_t i) const {
        const bmp::Header& h = file.header;
        if (i >= h.entriesUsed)
            return {};
        const std::uint64_t at = h.tableOffset + i * h.entrySize;
        if (at + 3 > bytes.size())
            return {};
        return {std::int64_t{bytes[at + 2]} << 16 | std::int64_t{bytes[at + 1]} << 8 | bytes[at],
                {},
                false,
                at};
    }
};

void Add(std::vector<ComparedField>& out, std::string name, FieldValue a, FieldValue b) {
    if ((a.Absent() || a.implied) && (b.Absent() || b.implied))
        return;
    const bool differs = !(a == b);
    out.push_back({std::move(name), std::move(a), std::move(b), differs});
}

} // namespace

std::vector<ComparedField> CompareFields(std::span<const std::uint8_t> a, std::uint64_t atA,
                                         std::span<const std::uint8_t> b, std::uint64_t atB) {
    const Side sa{a, bmp::ParseFile(a, atA)}, sb{b, bmp::ParseFile(b, atB)};
    std::vector<ComparedField> out;
    Add(out, "header",
        {std::nullopt, bmp::HeaderName(sa.file.header.kind), false, sa.Of(FieldId::Size).offset},
        {std::nullopt, bmp::HeaderName(sb.file.header.kind), false, sb.Of(FieldId::Size).offset});
    for (const auto& f : kByMeaning) {
        Add(out, f.name, sa.Of(f.id), sb.Of(f.id));
        if (f.id == FieldId::ClrImportant) {
            static const char* const kMasks[] = {"redMask", "greenMask", "blueMask", "alphaMask"};
            for (int i = 0; i < 4; ++i)
                Add(out, kMasks[i], sa.Mask(i), sb.Mask(i));
        }
    }
    const std::uint64_t ea = sa.file.header.entriesUsed, eb = sb.file.header.entriesUsed;
    // Where the count comes from: biClrUsed, or the bit count when that is 0.
    const auto countAt = [](const Side& s) {
        const FieldValue used = s.Of(FieldId::ClrUsed);
        return used.number.value_or(0) != 0 ? used.offset : s.Of(FieldId::BitCount).offset;
    };
    Add(out, "colourTableEntries", {static_cast<std::int64_t>(ea), {}, false, countAt(sa)},
        {static_cast<std::int64_t>(eb), {}, false, countAt(sb)});
    // Entry by entry where both have a table (the count says the rest); 256 at most.
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(std::min(ea, eb), 256); ++i) {
        FieldValue va = sa.Entry(i), vb = sb.Entry(i);
        if (!(va == vb))
            Add(out, "colourTable[" + std::to_string(i) + "]", va, vb);
    }
    return out;
}

std::string ShowFieldValue(const std::string& name, const FieldValue& v) {
    if (!v.number)
        return v.text.empty() ? "-" : v.text;
    if (v.implied)
        return std::to_string(*v.number) + " (implied)";
    const bool hex = name.find("Mask") != std::string::npos || name == "csType" ||
                     name.rfind("colourTable[", 0) == 0;
    char text[32];
    if (hex)
        std::snprintf(text, sizeof text, "0x%08llx",
                      static_cast<unsigned long long>(*v.number) & 0xFFFFFFFFull);
    else
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(*v.number));
    return text;
}

} // namespace inspect
