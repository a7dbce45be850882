// The screen's device contexts and capabilities.
#include "platform/gdi/screen.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"

#include <cstring>

namespace platform::gdi {

Surface& Screen() {
    static Surface screen(1024, 768);
    return screen;
}

} // namespace platform::gdi

using namespace platform::gdi;

HDC GetDC(HWND /*window*/) {
    return CreateSurfaceDC(&Screen());
}

int ReleaseDC(HWND /*window*/, HDC hdc) {
    return DeleteDC(hdc);
}

HDC CreateDC(LPCSTR driver, LPCSTR /*device*/, LPCSTR /*output*/, const void* /*init*/) {
    if (driver == nullptr || std::strcmp(driver, "DISPLAY") != 0)
        return nullptr;
    return CreateSurfaceDC(&Screen());
}

int GetDeviceCaps(HDC hdc, int index) {
    if (LookupDc(hdc) == nullptr)
        return 0;
    // A true-colour display: 32 bits in one plane, no palette.
    switch (index) {
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case HORZRES:
        return Screen().width;
    case VERTRES:
        return Screen().height;
    case NUMCOLORS:
        return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case RASTERCAPS:
    case SIZEPALETTE:
    default:
        return 0;
    }
}
