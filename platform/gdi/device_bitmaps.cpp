// Device bitmaps and DIB sections, and copies between device contexts.
#include "bmp/layout.h"
#include "platform/allocator.h"
#include "platform/exceptions.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/nearest_map.h"

#include <algorithm>
#include <cstring>

using namespace platform::gdi;

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage, std::size_t bitsLength,
                       std::size_t infoLength) {
    if (header == nullptr || header->biWidth <= 0 || header->biHeight == 0)
        return nullptr;
    HBITMAP bmp = CreateCompatibleBitmap(hdc, header->biWidth,
                                         static_cast<int>(bmp::RowCount(header->biHeight)));
    if (bmp == nullptr || (init & CBM_INIT) == 0)
        return bmp;
    // Filled as a 1:1 drawing from the source origin, which leaves pixels a run-length
    // stream never sets as they were.
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bmp);
    BitmapObject* b = LookupBitmap(bmp);
    int drawn =
        StretchDIBits(dc, 0, 0, b->surface.width, b->surface.height, 0, 0, b->surface.width,
                      b->surface.height, bits, info, usage, SRCCOPY, bitsLength, infoLength);
    DeleteDC(dc);
    if (drawn == 0) {
        DeleteObject(bmp);
        return nullptr;
    }
    return bmp;
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD /*offset*/, std::size_t infoLength) {
    if (bits != nullptr)
        *bits = nullptr;
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr)
        return nullptr;
    const bmp::PixelFormat f =
        DrawingFormat(info, infoLength != 0 ? infoLength : ClaimedInfoLength(info->bmiHeader));
    if (!f.Decodes() || f.IsRle())
        return nullptr;
    std::uint64_t size = f.stride * static_cast<std::uint64_t>(f.height);
    if (size > 0xFFFFFFFFu)
        return nullptr;
    auto object = std::make_unique<BitmapObject>(0, 0);
    try {
        object->sectionBits =
            static_cast<BYTE*>(platform::AfxAllocZeroed(static_cast<std::size_t>(size)));
    } catch (CMemoryException* e) {
        e->Delete();
        return nullptr;
    }
    object->isSection = true;
    object->sectionHeader = info->bmiHeader;
    object->sectionSize = static_cast<std::size_t>(size);
    if (bits != nullptr)
        *bits = object->sectionBits;
    return static_cast<HBITMAP>(RegisterObject(std::move(object)));
}

int GetObject(HGDIOBJ object, int size, void* out) {
    if (BitmapObject* b = LookupBitmap(object)) {
        if (out == nullptr)
            return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP)))
            return 0;
        BITMAP bm{};
        if (b->isSection) {
            const BITMAPINFOHEADER& h = b->sectionHeader;
            bm = BITMAP{0,
                        h.biWidth,
                        static_cast<LONG>(bmp::RowCount(h.biHeight)),
                        static_cast<LONG>(bmp::RowBytes(h.biWidth, h.biBitCount)),
                        1,
                        h.biBitCount,
                        b->sectionBits};
        } else {
            // A device bitmap's rows are word-aligned; at 32 bits that is the width times 4.
            bm = BITMAP{0,  b->surface.width, b->surface.height, b->surface.width * 4, 1,
                        32, nullptr};
        }
        std::memcpy(out, &bm, sizeof bm);
        return sizeof bm;
    }
    if (PaletteObject* p = LookupPalette(object)) {
        if (out == nullptr)
            return sizeof(WORD);
        if (size < static_cast<int>(sizeof(WORD)))
            return 0;
        auto count = static_cast<WORD>(p->entries.size());
        std::memcpy(out, &count, sizeof count);
        return sizeof count;
    }
    return 0;
}

BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, DWORD rop) {
    return StretchBlt(dest, x, y, cx, cy, src, xSrc, ySrc, cx, cy, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int xSrc, int ySrc, int srcWidth,
                int srcHeight, DWORD rop) {
    DcObject* d = LookupDc(dest);
    DcObject* s = LookupDc(src);
    // Mirrored copies are not needed by anything here and are refused.
    if (d == nullptr || s == nullptr || d->Target() == nullptr || s->Target() == nullptr ||
        rop != SRCCOPY || cx <= 0 || cy <= 0 || srcWidth <= 0 || srcHeight <= 0)
        return FALSE;
    RECT to = DrawableArea(*d);
    RECT from = DrawableArea(*s);
    Surface& out = *d->Target();
    const Surface& in = *s->Target();
    int left = std::max<int>(to.left, x),
        right = std::min<long long>(to.right, static_cast<long long>(x) + cx);
    int top = std::max<int>(to.top, y),
        bottom = std::min<long long>(to.bottom, static_cast<long long>(y) + cy);
    for (int dy = top; dy < bottom; ++dy) {
        std::int64_t sy = ySrc + NearestSource(dy - y, srcHeight, cy, Axis::Rows);
        if (sy < from.top || sy >= from.bottom)
            continue;
        const std::uint32_t* row =
            in.pixels.data() + static_cast<size_t>(sy) * static_cast<size_t>(in.width);
        for (int dx = left; dx < right; ++dx) {
            std::int64_t sx = xSrc + NearestSource(dx - x, srcWidth, cx, Axis::Columns);
            if (sx >= from.left && sx < from.right)
                out.Row(dy)[dx] = row[sx];
        }
    }
    return TRUE;
}
