// Two BMP files' fields side by side by what they mean, whatever header kind holds
// them: a V5 header and its 40-byte twin compare field by field.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace inspect {

struct FieldValue {
    std::optional<std::int64_t> number;  // nothing: the file has no such field
    std::string text;                    // where the value is text (the header's kind)
    bool implied = false;                // the header's kind has no such field and means this value
    std::optional<std::uint64_t> offset; // of the field's bytes in the file

    bool operator==(const FieldValue& o) const { return number == o.number && text == o.text; }
    bool Absent() const { return !number && text.empty(); }
};

struct ComparedField {
    std::string name; // "width", "redMask", "colourTable[3]", ...
    FieldValue a, b;
    bool differs = false;
};

// at: where each image's file header starts (an image of a bitmap array).
std::vector<ComparedField> CompareFields(std::span<const std::uint8_t> a, std::uint64_t atA,
                                         std::span<const std::uint8_t> b, std::uint64_t atB);

// A value as the text output writes it: decimal, masks in hex, "-" where absent.
std::string ShowFieldValue(const std::string& name, const FieldValue& v);

} // namespace inspect
