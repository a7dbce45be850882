#include "platform/gdi/gdi_objects.h"

#include "platform/gdi/gdi.h"

#include "platform/allocator.h"

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

namespace platform::gdi {
namespace {

// Live objects, keyed by the address their handle carries.
std::unordered_map<const void*, std::unique_ptr<Object>>& Live() {
    static std::unordered_map<const void*, std::unique_ptr<Object>> objects;
    return objects;
}

template <typename T> void* Register(std::unique_ptr<T> object) {
    return RegisterObject(std::move(object));
}

Object* Lookup(const void* h) {
    auto it = Live().find(h);
    return it != Live().end() ? it->second.get() : nullptr;
}

template <typename T> T* LookupAs(const void* h, Kind kind) {
    Object* o = Lookup(h);
    return o != nullptr && o->kind == kind ? static_cast<T*>(o) : nullptr;
}

// The 20 colours a new device context's palette holds.
HPALETTE DefaultPalette() {
    static HPALETTE stock = [] {
        const auto& colors = DefaultPaletteColors();
        auto pal = std::make_unique<PaletteObject>(
            std::vector<PALETTEENTRY>(colors.begin(), colors.end()));
        pal->stock = true;
        return static_cast<HPALETTE>(Register(std::move(pal)));
    }();
    return stock;
}

// The 1 x 1 bitmap a new memory context holds until the caller selects its own.
BitmapObject* StockBitmap() {
    static BitmapObject* stock = [] {
        auto bmp = std::make_unique<BitmapObject>(1, 1);
        bmp->stock = true;
        return static_cast<BitmapObject*>(Register(std::move(bmp)));
    }();
    return stock;
}

} // namespace

void* RegisterObject(std::unique_ptr<Object> object) {
    void* key = object.get();
    Live().emplace(key, std::move(object));
    return key;
}

std::size_t LiveObjectCount() {
    return Live().size();
}

const std::array<PALETTEENTRY, 20>& DefaultPaletteColors() {
    static const std::array<PALETTEENTRY, 20> colors = {
        {{0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
         {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
         {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
         {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
         {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}}};
    return colors;
}

BitmapObject::~BitmapObject() {
    platform::AfxFreeBlock(sectionBits);
}

DcObject* LookupDc(HDC hdc) {
    return LookupAs<DcObject>(hdc, Kind::DeviceContext);
}
BitmapObject* LookupBitmap(HGDIOBJ h) {
    return LookupAs<BitmapObject>(h, Kind::Bitmap);
}
BrushObject* LookupBrush(HGDIOBJ h) {
    return LookupAs<BrushObject>(h, Kind::Brush);
}
PaletteObject* LookupPalette(HGDIOBJ h) {
    return LookupAs<PaletteObject>(h, Kind::Palette);
}

HDC CreateSurfaceDC(Surface* surface, const RECT* clip) {
    if (surface == nullptr)
        return nullptr;
    auto dc = std::make_unique<DcObject>();
    dc->external = surface;
    if (clip != nullptr)
        dc->clip = *clip;
    dc->palette = DefaultPalette();
    return static_cast<HDC>(Register(std::move(dc)));
}

Surface* SurfaceOf(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc != nullptr ? dc->Target() : nullptr;
}

RECT DrawableArea(DcObject& dc) {
    Surface* s = dc.Target();
    RECT area{0, 0, s != nullptr ? s->width : 0, s != nullptr ? s->height : 0};
    if (dc.clip) {
        area.left = std::max(area.left, dc.clip->left);
        area.top = std::max(area.top, dc.clip->top);
        area.right = std::min(area.right, dc.clip->right);
        area.bottom = std::min(area.bottom, dc.clip->bottom);
    }
    if (area.right < area.left)
        area.right = area.left;
    if (area.bottom < area.top)
        area.bottom = area.top;
    return area;
}

} // namespace platform::gdi

using namespace platform::gdi;

HDC CreateCompatibleDC(HDC /*hdc*/) {
    auto dc = std::make_unique<DcObject>();
    dc->bitmap = StockBitmap();
    dc->palette = DefaultPalette();
    return static_cast<HDC>(Register(std::move(dc)));
}

BOOL DeleteDC(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr)
        return FALSE;
    if (dc->bitmap != nullptr && !dc->bitmap->stock)
        dc->bitmap->selectedInto = nullptr;
    Live().erase(hdc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC /*hdc*/, int cx, int cy) {
    if (cx <= 0 || cy <= 0 || static_cast<long long>(cx) * cy > (1LL << 28))
        return nullptr;
    // As the system does, a bitmap there is no memory for is a null handle.
    try {
        return static_cast<HBITMAP>(Register(std::make_unique<BitmapObject>(cx, cy)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr)
        return nullptr;
    if (BitmapObject* bmp = LookupBitmap(object)) {
        // Only a memory context holds bitmaps, and a bitmap lives in one context at a time.
        if (dc->external != nullptr || bmp->isSection ||
            (bmp->selectedInto != nullptr && bmp->selectedInto != hdc))
            return nullptr;
        BitmapObject* previous = dc->bitmap;
        if (previous != nullptr && !previous->stock)
            previous->selectedInto = nullptr;
        if (!bmp->stock)
            bmp->selectedInto = hdc;
        dc->bitmap = bmp;
        return previous;
    }
    if (LookupBrush(object) != nullptr) {
        HBRUSH previous = dc->brush;
        dc->brush = static_cast<HBRUSH>(object);
        return previous;
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    Object* o = Lookup(object);
    if (o == nullptr || o->stock || o->kind == Kind::DeviceContext)
        return FALSE;
    if (o->kind == Kind::Bitmap && static_cast<BitmapObject*>(o)->selectedInto != nullptr)
        return FALSE;
    // Contexts that still refer to a brush or palette fall back to their defaults.
    for (auto& [key, live] : Live()) {
        if (live->kind != Kind::DeviceContext)
            continue;
        auto* dc = static_cast<DcObject*>(live.get());
        if (dc->brush == object)
            dc->brush = nullptr;
        if (dc->palette == object)
            dc->palette = DefaultPalette();
    }
    Live().erase(object);
    return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(Register(std::make_unique<BrushObject>(color & 0x00FFFFFF)));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    DcObject* dc = LookupDc(hdc);
    BrushObject* b = LookupBrush(brush);
    if (dc == nullptr || b == nullptr || rect == nullptr || dc->Target() == nullptr)
        return 0;
    RECT area = DrawableArea(*dc);
    int left = std::max(rect->left, area.left), right = std::min(rect->right, area.right);
    int top = std::max(rect->top, area.top), bottom = std::min(rect->bottom, area.bottom);
    Surface& s = *dc->Target();
    std::uint32_t value = Surface::FromColorRef(b->color);
    for (int y = top; y < bottom; ++y)
        std::fill(s.Row(y) + left, s.Row(y) + std::max(left, right), value);
    return 1;
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (palette == nullptr)
        return nullptr;
    // The entries follow the two counts; the one-element array only marks where they start.
    const auto* first =
        reinterpret_cast<const PALETTEENTRY*>(reinterpret_cast<const BYTE*>(palette) + 4);
    std::vector<PALETTEENTRY> entries(first, first + palette->palNumEntries);
    return static_cast<HPALETTE>(Register(std::make_unique<PaletteObject>(std::move(entries))));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr || LookupPalette(palette) == nullptr)
        return nullptr;
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    dc->paletteBackground = forceBackground != FALSE;
    return previous;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    PaletteObject* p = LookupPalette(palette);
    if (p == nullptr)
        return 0;
    auto size = static_cast<UINT>(p->entries.size());
    if (entries == nullptr)
        return count == 0 ? size : 0;
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(p->entries.begin() + start, n, entries);
    return n;
}

int SetStretchBltMode(HDC hdc, int mode) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

int GetStretchBltMode(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc != nullptr ? dc->stretchMode : 0;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr || dc->Target() == nullptr)
        return CLR_INVALID;
    RECT area = DrawableArea(*dc);
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom)
        return CLR_INVALID;
    return Surface::ToColorRef(dc->Target()->Row(y)[x]);
}
