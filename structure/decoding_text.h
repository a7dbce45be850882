// A pixel's decoding, step by step, as one line of the structure view's status area.
#pragma once

#include "inspect/pixel_decoding.h"

#include <string>

namespace structure {

std::string DecodingText(const inspect::PixelDecoding& decoding, int bits);

} // namespace structure
