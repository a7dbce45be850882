// Where a pixel lives in a BMP file: the byte (and bit) that holds it, its stored row
// and that row's layout, or, in a run-length stream, the code that sets it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace inspect {

struct PixelLocation {
    std::int64_t x = 0, y = 0;           // from the left and from the top
    std::optional<std::uint64_t> offset; // the pixel's first byte, or the code that sets it
    std::optional<int> bit;              // below 8 bits: the pixel's first bit, 7 = highest
    std::int64_t row = 0;                // the stored row (0 = first in the file)
    std::uint64_t rowOffset = 0;         // that row's first byte (uncompressed)
    std::uint64_t stride = 0, padding = 0;
    std::vector<std::uint8_t> bytes; // the pixel's raw bytes the file holds
    bool runLength = false;
    // Whether the pixel lies within the bytes the open command reads (biSizeImage, or
    // the rows' size); one past them is drawn black.
    bool read = true;
};

// Nothing when the file has no readable 40-byte header or the position is outside the
// picture; error says why. at: where the image's file header starts (an image of a
// bitmap array).
std::optional<PixelLocation> LocatePixel(std::span<const std::uint8_t> file, std::int64_t x,
                                         std::int64_t y, std::string& error, std::uint64_t at = 0);

} // namespace inspect
