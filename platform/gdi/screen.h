// The surface behind the screen's device contexts. The window program resizes it and
// fills it with the real screen; headless it stays a blank 1024 x 768 surface.
#pragma once

#include "platform/gdi/surface.h"

namespace platform::gdi {

Surface& Screen();

} // namespace platform::gdi
