// OS/2 bitmap arrays (file type "BA"): a chain of records, each followed by an ordinary
// file header and its info header; every offset in them counts from the file's start.
#pragma once

#include "bmp/layout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp {

struct ArrayRecord {
    std::uint64_t offset = 0; // of its 14 bytes
    std::uint32_t cbSize = 0, offNext = 0;
    std::uint16_t cxDisplay = 0, cyDisplay = 0;
    std::vector<Field> fields;
    // The images it holds, by where their file header starts: one, or for the colour
    // icons and pointers ("CI", "CP") the mask and then the colour image.
    std::vector<std::uint64_t> images;
    std::string type; // the first image's file type: "BM", "CI", "CP", "IC", "PT"
};

struct BitmapArray {
    std::vector<ArrayRecord> records;
    std::string fault; // a chain that loops, points past the file or is cut; or empty
    std::uint64_t faultOffset = 0;
    // Every image of the chain, in order: where its file header starts.
    std::vector<std::uint64_t> Images() const;
};

bool IsBitmapArray(std::span<const std::uint8_t> file);
BitmapArray ParseBitmapArray(std::span<const std::uint8_t> file);

// Where image `index` of a file starts: 0 for a plain BMP (only index 0), the image's file
// header in an array; nothing when there is no such image.
std::optional<std::uint64_t> ImageStart(std::span<const std::uint8_t> file, std::size_t index);

} // namespace bmp
