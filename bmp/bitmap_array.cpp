#include "bmp/bitmap_array.h"

#include "bmp/bytes.h"

#include <set>

namespace bmp {
namespace {

constexpr std::uint16_t kArrayType = 0x4142; // "BA"

std::string TypeAt(const Bytes& r, std::uint64_t at) {
    if (!r.Holds(at, 2))
        return "";
    const std::uint16_t v = r.U16(at);
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

} // namespace

std::vector<std::uint64_t> BitmapArray::Images() const {
    std::vector<std::uint64_t> all;
    for (const ArrayRecord& r : records)
        all.insert(all.end(), r.images.begin(), r.images.end());
    return all;
}

bool IsBitmapArray(std::span<const std::uint8_t> file) {
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'A';
}

BitmapArray ParseBitmapArray(std::span<const std::uint8_t> file) {
    const Bytes r(file);
    BitmapArray a;
    std::set<std::uint64_t> seen;
    std::uint64_t at = 0;
    for (;;) {
        if (!seen.insert(at).second) {
            a.fault = "位图数组的链回到了偏移 " + std::to_string(at) + " 处已读过的记录";
            a.faultOffset = a.records.back().offset + 6;
            break;
        }
        if (!r.Holds(at, 14) || r.U16(at) != kArrayType) {
            a.fault = at == 0 ? "文件不以“BA”开始"
                              : "offNext 指向的偏移 " + std::to_string(at) +
                                    " 处没有位图数组记录（超出文件，或不是“BA”）";
            a.faultOffset = a.records.empty() ? 0 : a.records.back().offset + 6;
            break;
        }
        ArrayRecord rec;
        rec.offset = at;
        rec.cbSize = r.U32(at + 2);
        rec.offNext = r.U32(at + 6);
        rec.cxDisplay = r.U16(at + 10);
        rec.cyDisplay = r.U16(at + 12);
        rec.fields = {
            Field{FieldId::Type, "usType", at, 2, r.U16(at), false},
            Field{FieldId::Size, "cbSize", at + 2, 4, rec.cbSize, false},
            Field{FieldId::OffBits, "offNext", at + 6, 4, rec.offNext, false},
            Field{FieldId::Width, "cxDisplay", at + 10, 2, rec.cxDisplay, false},
            Field{FieldId::Height, "cyDisplay", at + 12, 2, rec.cyDisplay, false},
        };
        const std::uint64_t image = at + 14;
        rec.type = TypeAt(r, image);
        if (rec.type != "BM" && rec.type != "CI" && rec.type != "CP" && rec.type != "IC" &&
            rec.type != "PT") {
            // "BA" and then no image: a mistyped BMP more likely than an array.
            a.fault = "偏移 " + std::to_string(image) + " 处的记录后面不是图像的文件头";
            a.faultOffset = image;
            break;
        }
        rec.images.push_back(image);
        // A colour icon or pointer: the colour image's header follows the mask's header
        // and its two-entry table.
        if ((rec.type == "CI" || rec.type == "CP") && r.Holds(image + 14, 4)) {
            const std::uint32_t infoSize = r.U32(image + 14);
            const std::uint64_t entry = infoSize == 12 ? 3 : 4;
            const std::uint64_t next = image + 14 + infoSize + 2 * entry;
            if (infoSize >= 12 && infoSize <= 64 && r.Holds(next, 14))
                rec.images.push_back(next);
        }
        a.records.push_back(std::move(rec));
        if (a.records.back().offNext == 0)
            break;
        at = a.records.back().offNext;
    }
    return a;
}

std::optional<std::uint64_t> ImageStart(std::span<const std::uint8_t> file, std::size_t index) {
    if (!IsBitmapArray(file))
        return index == 0 ? std::optional<std::uint64_t>(0) : std::nullopt;
    const std::vector<std::uint64_t> images = ParseBitmapArray(file).Images();
    if (index >= images.size())
        return std::nullopt;
    return images[index];
}

} // namespace bmp
