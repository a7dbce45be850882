#include "platform/resources.h"

#include "platform/gdi/gdi_objects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

const ResourceModule*& Module() {
    static const ResourceModule* module = nullptr;
    return module;
}

// What an HICON points at: the icon's table entry.
struct IconHandle {
    const IconResource* resource;
};

} // namespace

void SetResourceModule(const ResourceModule* module) {
    Module() = module;
}

const ResourceModule* CurrentResourceModule() {
    return Module();
}

// The entry of a resource table with that id, or null.
template <class T> const T* FindById(std::span<const T> table, UINT id) {
    for (const T& entry : table)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

const DialogTemplate* FindDialogTemplate(UINT id) {
    return Module() != nullptr ? FindById(Module()->dialogs, id) : nullptr;
}

const MenuTemplate* FindMenuTemplate(UINT id) {
    return Module() != nullptr ? FindById(Module()->menus, id) : nullptr;
}

const IconResource* FindIconResource(HICON icon) {
    return icon != nullptr ? reinterpret_cast<const IconHandle*>(icon)->resource : nullptr;
}

int DialogUnitsToPixelsX(int units) {
    return MulDiv(units, 6, 4);
}

int DialogUnitsToPixelsY(int units) {
    return MulDiv(units, 13, 8);
}

RECT DialogItemPixels(const DialogItemTemplate& item) {
    const int left = DialogUnitsToPixelsX(item.x);
    const int top = DialogUnitsToPixelsY(item.y);
    return RECT{left, top, left + DialogUnitsToPixelsX(item.cx),
                top + DialogUnitsToPixelsY(item.cy)};
}

} // namespace platform

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = std::llabs(denominator) / 2;
    // Rounds halves away from zero, as the system's MulDiv does.
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    const long long result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX || result < INT32_MIN)
        return -1;
    return static_cast<int>(result);
}

HINSTANCE AfxGetResourceHandle() {
    return reinterpret_cast<HINSTANCE>(const_cast<platform::ResourceModule*>(platform::Module()));
}

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    const auto* module = reinterpret_cast<const platform::ResourceModule*>(instance);
    if (module == nullptr || buffer == nullptr || bufferMax <= 0)
        return 0;
    buffer[0] = '\0';
    for (const platform::StringResource& s : module->strings) {
        if (s.id != id)
            continue;
        const CString text = CString::FromUtf8(s.text);
        const int n = std::min(text.GetLength(), bufferMax - 1);
        std::memcpy(buffer, static_cast<LPCTSTR>(text), static_cast<size_t>(n));
        buffer[n] = '\0';
        return n;
    }
    return 0;
}

HICON LoadIcon(HINSTANCE instance, LPCTSTR name) {
    const auto* module = reinterpret_cast<const platform::ResourceModule*>(instance);
    if (module == nullptr || !IS_INTRESOURCE(name))
        return nullptr;
    const auto id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name));
    // One handle per icon for the program's life, as shared icons are.
    static std::vector<std::unique_ptr<platform::IconHandle>> handles;
    for (const platform::IconResource& icon : module->icons) {
        if (icon.id != id)
            continue;
        for (const auto& h : handles)
            if (h->resource == &icon)
                return reinterpret_cast<HICON>(h.get());
        handles.push_back(std::make_unique<platform::IconHandle>(platform::IconHandle{&icon}));
        return reinterpret_cast<HICON>(handles.back().get());
    }
    return nullptr;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
    const platform::IconResource* resource = platform::FindIconResource(icon);
    platform::gdi::DcObject* dc = platform::gdi::LookupDc(hdc);
    if (resource == nullptr || dc == nullptr)
        return FALSE;
    platform::gdi::Surface* surface = platform::gdi::SurfaceOf(hdc);
    if (surface == nullptr)
        return FALSE;
    const RECT area = platform::gdi::DrawableArea(*dc);
    for (int row = 0; row < resource->size; ++row) {
        const int ty = y + row;
        if (ty < area.top || ty >= area.bottom)
            continue;
        for (int col = 0; col < resource->size; ++col) {
            const int tx = x + col;
            if (tx < area.left || tx >= area.right)
                continue;
            const std::uint32_t p =
                resource->pixels[static_cast<size_t>(row) * static_cast<size_t>(resource->size) +
                                 static_cast<size_t>(col)];
            if ((p >> 24) >= 0x80)
                surface->Row(ty)[tx] = 0xFF000000u | (p & 0xFFFFFFu);
        }
    }
    return TRUE;
}

HBITMAP LoadBitmap(HINSTANCE /*instance*/, LPCTSTR /*name*/) {
    return nullptr;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}
