// The graphics objects behind the handles, for the drawing code and the window layer.
#pragma once

#include "platform/gdi/surface.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace platform::gdi {

enum class Kind { DeviceContext, Bitmap, Brush, Palette };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
};

// A device bitmap (a 32-bit surface) or a DIB section (pixels laid out as the DIB
// says, owned by the object and freed with it).
struct BitmapObject : Object {
    BitmapObject(int w, int h) : Object(Kind::Bitmap), surface(w, h) {}
    ~BitmapObject() override;
    Surface surface;
    HDC selectedInto = nullptr;
    bool isSection = false;
    BITMAPINFOHEADER sectionHeader{};
    BYTE* sectionBits = nullptr;
    std::size_t sectionSize = 0;
};

struct BrushObject : Object {
    explicit BrushObject(COLORREF c) : Object(Kind::Brush), color(c) {}
    COLORREF color;
};

struct PaletteObject : Object {
    explicit PaletteObject(std::vector<PALETTEENTRY> e)
        : Object(Kind::Palette), entries(std::move(e)) {}
    std::vector<PALETTEENTRY> entries;
};

struct DcObject : Object {
    DcObject() : Object(Kind::DeviceContext) {}
    BitmapObject* bitmap = nullptr; // a memory context's selected bitmap
    Surface* external = nullptr;    // a window's surface, for contexts on a control
    std::optional<RECT> clip;       // drawing is limited to it, in surface coordinates
    HBRUSH brush = nullptr;
    HPALETTE palette = nullptr;
    bool paletteBackground = false;
    int stretchMode = BLACKONWHITE;

    Surface* Target() {
        return external != nullptr ? external : bitmap != nullptr ? &bitmap->surface : nullptr;
    }
};

// Makes an object live and returns its handle.
void* RegisterObject(std::unique_ptr<Object> object);
// How many objects are live, stock objects included: what tests count leaks with.
std::size_t LiveObjectCount();

// The 20 colours of the default palette, as a new context holds them.
const std::array<PALETTEENTRY, 20>& DefaultPaletteColors();

// The live object behind a handle, or null when it is not one of that kind.
DcObject* LookupDc(HDC hdc);
BitmapObject* LookupBitmap(HGDIOBJ h);
BrushObject* LookupBrush(HGDIOBJ h);
PaletteObject* LookupPalette(HGDIOBJ h);

// A context that draws into a surface the caller owns (a control's face), optionally
// limited to a clip rectangle. Released with DeleteDC.
HDC CreateSurfaceDC(Surface* surface, const RECT* clip = nullptr);
// The surface a context draws into, or null.
Surface* SurfaceOf(HDC hdc);

// The drawable area of a context: its surface cut by its clip rectangle.
RECT DrawableArea(DcObject& dc);

} // namespace platform::gdi
