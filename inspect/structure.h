// A BMP file as named regions of bytes and the fields inside them, for the structure
// view and `pixscope-cli fields`. Every byte of the file belongs to exactly one region,
// in file order; a region or field the file ends inside is cut there and says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace inspect {

struct StructureField {
    std::string name; // the format's own: bfType, biWidth, bV5RedMask, …
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::string raw;     // its bytes as the file holds them, in hex
    std::string value;   // as the format means it: signed, hex masks, four letters
    std::string meaning; // one line of Chinese
    bool cut = false;
    // The value as a number, where it is one (not a signature, a four-letter type or a
    // chunk's words).
    std::optional<std::int64_t> number;
};

struct Region {
    std::string name; // BITMAPFILEHEADER, BITMAPV5HEADER, 颜色表, 像素数据, …
    std::uint64_t offset = 0, size = 0;
    bool cut = false; // it would reach past the file's end or into the next region
    std::vector<StructureField> fields;
    bool pixels = false; // the picture's pixel data (whose units PixelUnits gives)
};

struct Structure {
    std::uint64_t size = 0;
    std::vector<Region> regions;
};

// Reads the headers, the colour table and an embedded stream's chunk list (checking their
// CRCs), never the pixels themselves.
// Of a bitmap array: its records, and image `image` (from 0) described in full.
Structure DescribeStructure(std::span<const std::uint8_t> file, std::size_t image = 0);

} // namespace inspect
