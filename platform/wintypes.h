// The Win32 data types with the sizes and layouts of 32-bit Windows.
//
// Linux x86-64 is LP64: `long` is 64 bits there, so LONG and DWORD are fixed-width
// integers, never `long`. Every structure that lies in a file is checked at compile
// time against its Windows size and field offsets.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT = std::int32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using COLORREF = DWORD;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPCTSTR = const char*;
using TCHAR = char;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Handles are distinct pointer types, as with STRICT, so that a palette cannot be
// passed where a brush is expected.
#define PIXSCOPE_DECLARE_HANDLE(name)                                                              \
    struct name##__;                                                                               \
    using name = name##__*
PIXSCOPE_DECLARE_HANDLE(HDC);
PIXSCOPE_DECLARE_HANDLE(HBITMAP);
PIXSCOPE_DECLARE_HANDLE(HBRUSH);
PIXSCOPE_DECLARE_HANDLE(HPALETTE);
PIXSCOPE_DECLARE_HANDLE(HWND);
PIXSCOPE_DECLARE_HANDLE(HINSTANCE);
PIXSCOPE_DECLARE_HANDLE(HICON);
PIXSCOPE_DECLARE_HANDLE(HMENU);
PIXSCOPE_DECLARE_HANDLE(HTREEITEM);
PIXSCOPE_DECLARE_HANDLE(HDROP);
#undef PIXSCOPE_DECLARE_HANDLE
using HGDIOBJ = void*;
using HANDLE = void*;
using HGLOBAL = void*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

// In a file the information header follows the 14-byte file header, so a mapped file
// holds it at an address that is only 2-byte aligned. Declaring it with that alignment
// keeps its layout and size and makes using it in place well defined.
#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
#pragma pack(pop)

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr DWORD BI_JPEG = 4;
inline constexpr DWORD BI_PNG = 5;

inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
inline constexpr int STRETCH_DELETESCANS = COLORONCOLOR;

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(UINT) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(COLORREF) == 4);
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(offsetof(BITMAPFILEHEADER, bfSize) == 2);
static_assert(offsetof(BITMAPFILEHEADER, bfReserved1) == 6);
static_assert(offsetof(BITMAPFILEHEADER, bfReserved2) == 8);
static_assert(offsetof(BITMAPFILEHEADER, bfOffBits) == 10);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(BITMAPINFOHEADER, biPlanes) == 12);
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14);
static_assert(offsetof(BITMAPINFOHEADER, biCompression) == 16);
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20);
static_assert(offsetof(BITMAPINFOHEADER, biClrUsed) == 32);
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(alignof(BITMAPINFOHEADER) == 2 && alignof(BITMAPFILEHEADER) == 2);
static_assert(sizeof(PALETTEENTRY) == 4);
static_assert(sizeof(LOGPALETTE) == 8);
static_assert(offsetof(LOGPALETTE, palPalEntry) == 4);
static_assert(offsetof(BITMAP, bmPlanes) == 16 && offsetof(BITMAP, bmBitsPixel) == 18);
static_assert(offsetof(BITMAP, bmBits) == 24 || offsetof(BITMAP, bmBits) == 20);
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8 && sizeof(SIZE) == 8);
