// Our software implementation of the Windows graphics calls the program makes.
//
// Every device context draws into a 32-bit pixel surface, so drawing is exact and can
// be checked pixel by pixel without a display. Handles are checked against the live
// objects: a stale or foreign handle makes a call fail instead of touching memory.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

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
