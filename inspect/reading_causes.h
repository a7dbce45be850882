// Why another reader's picture of a BMP parts from Pixscope's: each differing pixel put
// down to the first cause its bytes and the file's format account for.
#pragma once

#include "inspect/compare_pixels.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace inspect {

enum class Cause {
    SkippedPixels,   // no run-length code sets the pixel
    PaletteIndex,    // its index is past the colour table
    ChannelWidening, // narrow channels widened otherwise, by at most one step
    Alpha,           // the fourth byte or the alpha mask used or ignored
    Masks,           // the header's masks read otherwise
    ColourProfile,   // the file's colour space or profile applied
    Orientation,     // the picture stands the other way up
    Size,            // the reader's picture has other dimensions
    Other,
};
const char* CauseName(Cause cause); // "skipped-pixels", …

struct CauseExample {
    std::int64_t x = 0, y = 0;
    std::array<std::uint8_t, 4> ours{}, theirs{}; // RGBA
    std::optional<std::uint64_t> offset;          // in the file, as the locator gives it
    std::optional<int> bit;
    std::vector<std::uint8_t> bytes;
};

struct CauseCount {
    Cause cause = Cause::Other;
    std::uint64_t pixels = 0;
    std::optional<CauseExample> example; // the first in reading order; none for Size
};

struct ReadingDifference {
    bool sameSize = false;
    PixelComparison pixels;         // as compare counts them, with no fuzz
    std::vector<CauseCount> causes; // in the order of Cause, those that explain any pixel
};

// ours: Pixscope's default reading of the image at `start` of file; theirs: the other
// reader's picture. Nothing of the file outside its span is read.
ReadingDifference ExplainReading(std::span<const std::uint8_t> file, std::uint64_t start,
                                 const PictureSide& ours, const PictureSide& theirs);

} // namespace inspect
