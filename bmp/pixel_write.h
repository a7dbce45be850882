// Writing a pixel the way a reader will read it back: through the masks where a picture
// has them.
#pragma once

#include "bmp/decoder.h"

#include <cstdint>
#include <string>

namespace bmp {

// The stored value of an uncompressed 24- or 32-bit (or masked 16-bit) pixel that reads
// back as value: B, G and R through the channels; S through the alpha mask where one is
// in force, else into a 32-bit pixel's bits that no mask covers, the rest of which keep
// what old had. Empty refusal: written. A channel too narrow for the value asked is
// refused, with the values it can hold nearest to it.
struct EncodedPixel {
    std::uint32_t value = 0;
    std::string refusal; // UTF-8
};
EncodedPixel EncodePixel(const PixelFormat& format, Bgrs value, std::uint32_t old);

} // namespace bmp
