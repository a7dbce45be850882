// PNG files through libpng: a picture encoded as 8-bit RGBA, and a PNG's pixels read back
// (the suite's renderings, the other side of a comparison).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace codecs {

// Fills row y (from the top) with width × 4 bytes: red, green, blue, alpha.
using RgbaRows = std::function<void(std::int64_t y, std::uint8_t* rgba)>;

// The encoded file, or nothing with *error set (libpng's words).
std::vector<std::uint8_t> EncodePng(std::int64_t width, std::int64_t height, const RgbaRows& rows,
                                    std::string* error);

struct RgbaPicture {
    std::int64_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba; // rows from the top, 4 bytes a pixel
    std::string error;
};
RgbaPicture ReadPng(std::span<const std::uint8_t> file);
RgbaPicture ReadJpeg(std::span<const std::uint8_t> file);

} // namespace codecs
