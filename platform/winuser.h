// Window-manager constants: messages, styles, system commands and metrics, with the
// values the templates and handlers are written against.
#pragma once

#include "platform/wintypes.h"

using HCURSOR = HICON;
using INT_PTR = std::intptr_t;

inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_DROPFILES = 0x0233;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT MK_LBUTTON = 0x0001;
inline constexpr UINT MK_SHIFT = 0x0004;
inline constexpr UINT MK_CONTROL = 0x0008;
inline constexpr int WHEEL_DELTA = 120;
inline constexpr UINT SIZE_RESTORED = 0;
inline constexpr UINT SIZE_MAXIMIZED = 2;
// Virtual keys WM_KEYDOWN names.
inline constexpr UINT VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
inline constexpr UINT VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_OEM_PLUS = 0xBB, VK_OEM_MINUS = 0xBD;

// What a control tells its dialog in WM_NOTIFY (the header is lParam).
struct NMHDR {
    HWND hwndFrom = nullptr;
    std::uintptr_t idFrom = 0;
    UINT code = 0;
};
inline constexpr UINT NM_DBLCLK = static_cast<UINT>(-3);

inline constexpr UINT SC_SIZE = 0xF000;
inline constexpr UINT SC_MOVE = 0xF010;
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_MAXIMIZE = 0xF030;
inline constexpr UINT SC_CLOSE = 0xF060;
inline constexpr UINT SC_RESTORE = 0xF120;

inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_POPUP = 0x0010;
inline constexpr UINT MF_SEPARATOR = 0x0800;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_CHILD = 5;

inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000; // a dialog's; a control's WS_GROUP
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000; // a dialog's; a control's WS_TABSTOP
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD DS_MODALFRAME = 0x80;
inline constexpr DWORD DS_SETFONT = 0x40;

inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_ICON = 0x3;
inline constexpr DWORD SS_BLACKFRAME = 0x7;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;
inline constexpr DWORD SS_NOTIFY = 0x100; // the control takes its own mouse messages
inline constexpr DWORD TVS_HASBUTTONS = 0x1;
inline constexpr DWORD TVS_HASLINES = 0x2;
inline constexpr DWORD TVS_LINESATROOT = 0x4;

inline constexpr UINT BN_CLICKED = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr UINT IDI_APPLICATION = 32512;
inline constexpr UINT ID_HELP = 0xE146;
inline constexpr UINT CF_TEXT = 1;

constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16);
}
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
// Signed client coordinates of a mouse message.
constexpr int GET_X_LPARAM(LPARAM v) {
    return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(v)));
}
constexpr int GET_Y_LPARAM(LPARAM v) {
    return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(v)));
}
// A resource identifier in the place of a name.
inline LPCTSTR MAKEINTRESOURCE(UINT id) {
    return reinterpret_cast<LPCTSTR>(static_cast<std::uintptr_t>(id & 0xFFFF));
}
inline bool IS_INTRESOURCE(const void* p) {
    return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0;
}

// Sizes of the desktop's elements; icons are 32 x 32.
int GetSystemMetrics(int index);

using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

using LPRECT = RECT*;
using LPCRECT = const RECT*;
