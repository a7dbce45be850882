// Palettes on a true-colour display: a halftone palette, realising, and the system
// palette a non-palette device reports.
#include "platform/gdi/palettes.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"

#include <algorithm>

namespace platform::gdi {

std::vector<PALETTEENTRY> HalftoneColors() {
    std::vector<PALETTEENTRY> e(256);
    const auto& d = DefaultPaletteColors();
    for (int k = 0; k < 256; ++k) {
        if (k < 10)
            e[k] = d[k];
        else if (k >= 246)
            e[k] = d[k - 236];
        else
            e[k] =
                PALETTEENTRY{static_cast<BYTE>(32 * (k % 8)), static_cast<BYTE>(32 * ((k / 8) % 8)),
                             static_cast<BYTE>(64 * (k / 64)), 0};
    }
    return e;
}

} // namespace platform::gdi

using namespace platform::gdi;

HPALETTE CreateHalftonePalette(HDC /*hdc*/) {
    return static_cast<HPALETTE>(RegisterObject(std::make_unique<PaletteObject>(HalftoneColors())));
}

UINT RealizePalette(HDC hdc) {
    // A true-colour display has no system palette to map entries into.
    return LookupDc(hdc) != nullptr ? 0 : 0xFFFFFFFF;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries) {
    if (LookupDc(hdc) == nullptr || entries == nullptr)
        return 0;
    // A non-palette device fills the buffer with the static colours at both ends and
    // zeros between, and reports 0 entries.
    const auto& d = DefaultPaletteColors();
    for (UINT i = 0; i < count; ++i) {
        UINT k = start + i;
        if (k < 10)
            entries[i] = d[k];
        else if (k >= 246 && k < 256)
            entries[i] = d[k - 236];
        else
            entries[i] = PALETTEENTRY{0, 0, 0, 0};
    }
    return 0;
}
