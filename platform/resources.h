// The program's resources as data: dialog templates, menus, strings and icons. The
// program registers its module at start-up; the window layer builds windows from it.
// Texts are UTF-8 in the tables and code page 936 once loaded.
#pragma once

#include "platform/cstring.h"
#include "platform/winuser.h"

#include <cstdint>
#include <span>

namespace platform {

enum class ControlClass { Button, Edit, Static, TreeView };

struct DialogItemTemplate {
    int id; // -1 for a control without one
    ControlClass kind;
    DWORD style;
    const char* text;
    short x, y, cx, cy; // dialog units
    UINT iconId = 0;    // the icon of an SS_ICON static
};

struct DialogTemplate {
    UINT id;
    DWORD style;
    DWORD exStyle;
    const char* caption;
    short cx, cy;
    const char* fontName;
    WORD pointSize;
    UINT menuId; // 0: no menu
    std::span<const DialogItemTemplate> items;
};

struct MenuItemTemplate {
    const char* text;
    UINT id;                                 // 0 for a pop-up
    std::span<const MenuItemTemplate> popup; // the pop-up's items
    // A key that runs the item from anywhere in the window, shown beside its text
    // ("Ctrl+O"), or null.
    const char* shortcut = nullptr;
};

struct MenuTemplate {
    UINT id;
    std::span<const MenuItemTemplate> popups;
};

struct StringResource {
    UINT id;
    const char* text;
};

// A square icon: 0xAARRGGBB pixels, top row first.
struct IconResource {
    UINT id;
    int size;
    std::span<const std::uint32_t> pixels;
};

struct ResourceModule {
    std::span<const DialogTemplate> dialogs;
    std::span<const MenuTemplate> menus;
    std::span<const StringResource> strings;
    std::span<const IconResource> icons;
};

void SetResourceModule(const ResourceModule* module);
const ResourceModule* CurrentResourceModule();

const DialogTemplate* FindDialogTemplate(UINT id);
const MenuTemplate* FindMenuTemplate(UINT id);
const IconResource* FindIconResource(HICON icon);

// Dialog units to pixels with the dialog font's base units 6 x 13, each value
// converted on its own as the dialog manager does.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
RECT DialogItemPixels(const DialogItemTemplate& item);

} // namespace platform

int MulDiv(int number, int numerator, int denominator);

HINSTANCE AfxGetResourceHandle();
// Loads string resource id into buffer as code page 936 text; returns its length.
int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);
HICON LoadIcon(HINSTANCE instance, LPCTSTR name);
// Draws an icon at its natural size; transparent pixels leave the context's pixels.
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
// Bitmap resources: this program has none, so every name yields null.
HBITMAP LoadBitmap(HINSTANCE instance, LPCTSTR name);
