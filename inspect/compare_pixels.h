// Two pictures pixel by pixel: how many differ by more than a fuzz in any channel, by
// how much, where, and the first in reading order. Row by row, so that memory is two
// rows; two BMPs stored alike compare their stored rows' bytes first.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace bmp {
class Decoder;
}

namespace inspect {

// Fills row y (from the top) with 4 × width bytes: red, green, blue, alpha.
using RgbaRow = std::function<void(std::int64_t y, std::uint8_t* rgba)>;

struct PictureSide {
    std::int64_t width = 0, height = 0;
    RgbaRow rows;
    const bmp::Decoder* decoder = nullptr; // a BMP's, for its stored rows
};

struct PixelComparison {
    std::uint64_t differ = 0;     // pixels past the fuzz in some channel
    std::array<int, 4> largest{}; // red, green, blue, alpha
    double meanAbsolute = 0;      // over every channel of every pixel, 0 to 255
    std::optional<double> psnr;   // dB; nothing when the pictures are the same
    std::int64_t left = 0, top = 0, right = -1, bottom = -1; // the box of the differences
    std::optional<std::array<std::int64_t, 2>> first;        // x, y in reading order
    std::array<std::uint8_t, 4> firstA{}, firstB{};          // its colours, RGBA
};

// Both sides have the same size (the caller says so otherwise). fuzz: 0 to 255.
PixelComparison ComparePixels(const PictureSide& a, const PictureSide& b, int fuzz);

// Whether a pixel of the two rows (4 bytes each) differs by more than fuzz.
inline bool PixelDiffers(const std::uint8_t* a, const std::uint8_t* b, int fuzz) {
    for (int c = 0; c < 4; ++c)
        if ((a[c] > b[c] ? a[c] - b[c] : b[c] - a[c]) > fuzz)
            return true;
    return false;
}

} // namespace inspect
