// Writing a pixel the way a reader will read it back: through the masks where a picture
// has them.
#pragma once

#include "bmp/decoder.h"

#include <cstdint>
#include <string>

namespace bmp {

// The stored value of a masked 16- or 32-bit pixel that reads back as value: B, G and R
// through the channels; S through the alpha mask where one is in force, else into a
// 32-bit pixel's fourth byte as far as no mask covers it; other bits no mask covers keep
// what old had. Empty refusal: written. A channel too narrow for the value asked is
// refused, with the values it can hold nearest to it.
struct EncodedPixel {
    std::uint32_t value = 0;
    std::string refusal; // UTF-8
};
EncodedPixel EncodePixel(const PixelFormat& format, Bgrs value, std::uint32_t old);

} // namespace bmp
