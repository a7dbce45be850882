// Our software implementation of the Windows graphics calls the program makes.
//
// Every device context draws into a 32-bit pixel surface, so drawing is exact and can
// be checked pixel by pixel without a display. Handles are checked against the live
// objects: a stale or foreign handle makes a call fail instead of touching memory.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

namespace bmp {
class Decoder;
}

HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// A 32-bit device bitmap, black at first.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// Fails for an object that is still selected into a device context.
BOOL DeleteObject(HGDIOBJ object);

HBRUSH CreateSolidBrush(COLORREF color);
// Left and top edges inclusive, right and bottom exclusive.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);

HPALETTE CreatePalette(const LOGPALETTE* palette);
// Returns the palette selected before (a new context holds the 20-colour default one).
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);

COLORREF GetPixel(HDC hdc, int x, int y);

// Draws a DIB scaled into a destination rectangle with nearest-neighbour sampling.
// Unlike the Windows call it also takes the lengths of the pixel array and of the
// header block (header, masks and colour table): nothing past either is read, and
// pixels that would lie past the pixel array draw black. Returns 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop, std::size_t bitsLength, std::size_t infoLength);
// The same with a decoder the caller keeps for this header and these bits, so that a
// run-length stream is walked once for many calls.
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop, std::size_t bitsLength, std::size_t infoLength,
                  const bmp::Decoder* decoder);

// Device bitmaps, DIB sections and their copies. Device bitmaps are 32-bit, as the
// surfaces of a true-colour display are.
inline constexpr DWORD CBM_INIT = 4;

// A device bitmap of the header's size, filled from the DIB with CBM_INIT. Like
// StretchDIBits it takes the lengths of the pixel array and the header block.
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage, std::size_t bitsLength,
                       std::size_t infoLength);
// A bitmap whose zeroed pixels lie in memory as the DIB lays them out; *bits receives
// them. Compressed formats are refused.
// infoLength, when given, bounds what is read of info (header, masks, colour table).
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset, std::size_t infoLength = 0);
// Bitmaps: a BITMAP; palettes: their entry count as a WORD. Returns the bytes written.
int GetObject(HGDIOBJ object, int size, void* out);
BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, int srcWidth,
                int srcHeight, DWORD rop);
// The bitmap's rows as a DIB in the header's format (1, 4, 8, 16, 24 or 32 bits, RLE8,
// RLE4), or with no bits buffer only the header, its size and its colour table. At 8
// bits and fewer the colours are those of the palette selected into hdc when it has
// one of its own, else the standard table of that depth. Nothing is written past
// infoLength bytes of info.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage, std::size_t infoLength);

// Palettes on a true-colour display.
HPALETTE CreateHalftonePalette(HDC hdc);
UINT RealizePalette(HDC hdc);
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);

// The screen. Headless it is a blank 1024 x 768 surface; the window program shows the
// real one.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMCOLORS = 24;
inline constexpr int RASTERCAPS = 38;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int SIZEPALETTE = 104;
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC hdc);
// "DISPLAY" gives a context on the screen; other drivers are not there.
HDC CreateDC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* init);
int GetDeviceCaps(HDC hdc, int index);

// Loading a bitmap file as a device bitmap at its natural size (IMAGE_BITMAP with
// LR_LOADFROMFILE); null when the file is not a bitmap this layer can draw.
inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT LR_LOADFROMFILE = 0x10;
HANDLE LoadImage(HINSTANCE instance, LPCTSTR name, UINT type, int cx, int cy, UINT flags);
