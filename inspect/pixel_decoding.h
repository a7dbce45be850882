// How one pixel's colour comes out of its bytes, step by step: the stored value, then the
// colour-table entry it names, or each channel its mask cuts out and how that widens to 8
// bits, or a 64-bit pixel's fixed-point values in linear light and in sRGB; and for a pixel
// no run-length code sets, the policy that gave it its colour.
#pragma once

#include "bmp/decoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace inspect {

struct TableEntry {
    std::uint64_t offset = 0;                      // in the file
    std::optional<std::uint8_t> b, g, r, reserved; // what the file holds of it
    bool inTable = true; // within the entries a reader takes; past them the pixel is black
};

struct ChannelStep {
    const char* name = ""; // "red", "green", "blue", "alpha"
    std::uint32_t mask = 0, value = 0;
    int bits = 0;
    std::uint8_t widened = 0; // the 8-bit result
};

struct FixedStep {
    const char* name = ""; // "blue", "green", "red", "alpha"
    std::int16_t stored = 0;
    double value = 0, linear = 0; // the number, and clamped to 0..1
    std::uint8_t result = 0;      // sRGB-encoded (alpha: scaled) 8-bit value
};

struct PixelDecoding {
    std::optional<std::uint64_t> raw;
    std::optional<std::uint32_t> index; // indexed, run-length and Huffman pixels
    std::optional<TableEntry> entry;
    std::vector<ChannelStep> channels; // masked pixels
    std::vector<FixedStep> fixed;      // 64-bit pixels
    const char* skipped = nullptr;     // "index0", "black" or "transparent" where no code sets it
};

// The policy's name as `decode --skipped` takes it.
const char* SkippedName(bmp::Skipped skipped);

// file: the whole file; the decoder is of its image whose header is h.
PixelDecoding DecodePixel(const bmp::Decoder& decoder, const bmp::Header& h,
                          std::span<const std::uint8_t> file, std::int64_t x, std::int64_t y,
                          bmp::Skipped skipped = bmp::Skipped::Entry0);

} // namespace inspect
