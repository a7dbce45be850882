#pragma once

#include "platform/wintypes.h"

#include <vector>

namespace platform::gdi {

// The 256 halftone colours: the 20 static colours at both ends, a colour cube between.
std::vector<PALETTEENTRY> HalftoneColors();

} // namespace platform::gdi
