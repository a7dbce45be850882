// Free functions beside CDib: reading a bitmap file into memory, making and copying
// palettes, drawing and copying DIBs, and capturing the screen.
#pragma once

#include "dib/dib.h"

// A palette of the screen's system colours. A true-colour display has no system
// palette: it gets the 256 entries the largest palette display has.
HPALETTE MakeScreenPalette();
HPALETTE DuplicatePalette(HPALETTE hPal);
// Reads a BMP file as CDib::Read does, with the same limits. Both blocks are zeroed
// and lazily allocated; the caller frees them with platform::AfxFreeBlock.
BOOL LoadDibFromFile(CFile* pFile, BITMAPINFOHEADER** ppHeader, BYTE** ppBits);
// The caller guarantees that the colour table holds the entries the header counts.
HPALETTE MakeColorTablePalette(const RGBQUAD* pColorTable, const BITMAPINFOHEADER* pHeader);
// The caller guarantees the header, colour table and pixel array the header describes.
BOOL StretchDibToDC(CDC* pDC, const BITMAPINFO* pInfo, const BYTE* pBits, int x, int y, int cx,
                    int cy, HPALETTE hPal);
BOOL DibFromDeviceBitmap(HBITMAP hBitmap, CDib& target, HPALETTE hPal);
BOOL DuplicateDib(const CDib& source, CDib& target);
BOOL GrabScreenArea(RECT rect, CDib& target);
