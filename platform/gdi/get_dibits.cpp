// GetDIBits: a device bitmap's rows as a DIB of any depth, or run-length encoded.
//
// Device bitmaps are 32-bit, so every request of 8 bits or fewer maps colours to a
// table: the palette selected into the context when it has one of its own (so that a
// picture made from a palette DIB reads back with its own indices), else the standard
// table of the depth. The nearest colour wins, the first of equals.
#include "bmp/layout.h"
#include "bmp/rle.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/palettes.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

using namespace platform::gdi;

namespace {

std::vector<PALETTEENTRY> StandardTable(int bits) {
    if (bits == 1)
        return {{0, 0, 0, 0}, {255, 255, 255, 0}};
    if (bits == 4)
        return {{0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
                {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {128, 128, 128, 0},
                {192, 192, 192, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
                {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
    return HalftoneColors();
}

class NearestIndex {
public:
    explicit NearestIndex(const std::vector<PALETTEENTRY>& table) : m_table(table) {}
    BYTE operator()(std::uint32_t pixel) {
        auto it = m_cache.find(pixel);
        if (it != m_cache.end())
            return it->second;
        int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        long best = -1;
        BYTE index = 0;
        for (size_t i = 0; i < m_table.size(); ++i) {
            long dr = r - m_table[i].peRed, dg = g - m_table[i].peGreen, db = b - m_table[i].peBlue;
            long d = dr * dr + dg * dg + db * db;
            if (best < 0 || d < best) {
                best = d;
                index = static_cast<BYTE>(i);
            }
        }
        m_cache.emplace(pixel, index);
        return index;
    }

private:
    const std::vector<PALETTEENTRY>& m_table;
    std::unordered_map<std::uint32_t, BYTE> m_cache;
};

} // namespace

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage, std::size_t infoLength) {
    DcObject* dc = LookupDc(hdc);
    BitmapObject* object = LookupBitmap(bitmap);
    if (dc == nullptr || object == nullptr || object->isSection || info == nullptr ||
        usage != DIB_RGB_COLORS || infoLength < sizeof(BITMAPINFOHEADER))
        return 0;
    const Surface& surface = object->surface;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) {
        // A query of the bitmap's own format.
        h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                             surface.width,
                             surface.height,
                             1,
                             32,
                             BI_RGB,
                             static_cast<DWORD>(surface.width) * 4u *
                                 static_cast<DWORD>(surface.height),
                             0,
                             0,
                             0,
                             0};
        return surface.height;
    }
    // The format asked for is one the drawing could read back.
    const bmp::PixelFormat format = DrawingFormat(info, infoLength);
    if (!format.Decodes())
        return 0;
    const int depth = h.biBitCount;
    const bool rle = format.IsRle();
    std::int64_t W = format.width, H = format.height;
    auto stride = static_cast<std::uint64_t>(bmp::RowBytes(W, depth));
    auto* bytes = reinterpret_cast<BYTE*>(info);
    const bmp::Channel &red = format.red, &green = format.green, &blue = format.blue;
    const std::size_t tableOffset = h.biSize;

    std::vector<PALETTEENTRY> table;
    if (depth <= 8) {
        PaletteObject* pal = LookupPalette(dc->palette);
        std::size_t full = std::size_t{1} << depth;
        if (pal != nullptr && !pal->stock && !pal->entries.empty())
            table.assign(pal->entries.begin(),
                         pal->entries.begin() + std::min(full, pal->entries.size()));
        else
            table = StandardTable(depth);
        std::size_t room = infoLength > tableOffset ? (infoLength - tableOffset) / 4 : 0;
        if (table.size() > room)
            table.resize(room);
        if (table.empty())
            return 0;
        for (std::size_t i = 0; i < table.size(); ++i) {
            BYTE* q = bytes + tableOffset + 4 * i;
            q[0] = table[i].peBlue;
            q[1] = table[i].peGreen;
            q[2] = table[i].peRed;
            q[3] = 0;
        }
        h.biClrUsed = table.size() < full ? static_cast<DWORD>(table.size()) : 0;
    }

    // Rows counted from the bottom of a bottom-up request, as the stored order has them.
    NearestIndex nearest(table);
    auto pixelAt = [&](std::int64_t storedRow, std::int64_t x) -> std::uint32_t {
        std::int64_t top = h.biHeight > 0 ? H - 1 - storedRow : storedRow;
        if (top < 0 || top >= surface.height || x >= surface.width)
            return bmp::kBlack;
        return surface.pixels[static_cast<size_t>(top) * static_cast<size_t>(surface.width) +
                              static_cast<size_t>(x)];
    };

    if (rle) {
        std::vector<BYTE> indices(static_cast<size_t>(W * H));
        for (std::int64_t r = 0; r < H; ++r)
            for (std::int64_t x = 0; x < W; ++x)
                indices[static_cast<size_t>(r * W + x)] = nearest(pixelAt(r, x));
        std::vector<BYTE> encoded = bmp::EncodeRle(indices.data(), W, H, depth == 4);
        h.biSizeImage = static_cast<DWORD>(encoded.size());
        if (bits == nullptr)
            return static_cast<int>(H);
        std::memcpy(bits, encoded.data(), encoded.size());
        return static_cast<int>(H);
    }

    h.biSizeImage = static_cast<DWORD>(stride * static_cast<std::uint64_t>(H));
    if (bits == nullptr || lines == 0 || start >= H)
        return static_cast<int>(H);
    std::int64_t last = std::min<std::int64_t>(H, static_cast<std::int64_t>(start) + lines);
    auto* out = static_cast<BYTE*>(bits);
    for (std::int64_t r = start; r < last; ++r) {
        BYTE* row = out + static_cast<std::uint64_t>(r - start) * stride;
        std::memset(row, 0, stride);
        for (std::int64_t x = 0; x < W; ++x) {
            std::uint32_t p = pixelAt(r, x);
            BYTE R = static_cast<BYTE>(p >> 16), G = static_cast<BYTE>(p >> 8),
                 B = static_cast<BYTE>(p);
            switch (depth) {
            case 1:
                row[x / 8] |= static_cast<BYTE>((nearest(p) & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<BYTE>((nearest(p) & 0x0F) << (x % 2 == 0 ? 4 : 0));
                break;
            case 8:
                row[x] = nearest(p);
                break;
            case 16: {
                auto v = static_cast<WORD>(red.Pack(R) | green.Pack(G) | blue.Pack(B));
                std::memcpy(row + 2 * x, &v, 2);
                break;
            }
            case 24:
                row[3 * x] = B;
                row[3 * x + 1] = G;
                row[3 * x + 2] = R;
                break;
            default:
                if (format.encoding == bmp::Encoding::Masked) {
                    std::uint32_t v = red.Pack(R) | green.Pack(G) | blue.Pack(B);
                    std::memcpy(row + 4 * x, &v, 4);
                } else {
                    row[4 * x] = B;
                    row[4 * x + 1] = G;
                    row[4 * x + 2] = R;
                }
                break;
            }
        }
    }
    return static_cast<int>(last - start);
}
