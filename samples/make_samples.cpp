// Writes the sample bitmaps under samples/: one small picture per depth, each a colour
// gradient with a diagonal stripe, so that scaling and row order are easy to see.
#include "platform/wintypes.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

struct Rgb {
    BYTE r, g, b;
};

// The picture, top row first.
Rgb ColorAt(int x, int y) {
    bool stripe = (x - y + kWidth) % 32 < 4;
    if (stripe)
        return {255, 255, 255};
    return {static_cast<BYTE>(x * 255 / (kWidth - 1)), static_cast<BYTE>(y * 255 / (kHeight - 1)),
            static_cast<BYTE>(160 - x)};
}

// The colour table index of a pixel for the palette depths.
int IndexAt(int x, int y, int bits) {
    if (bits == 1)
        return ((x / 8 + y / 8) % 2 == 0) != ((x - y + kWidth) % 32 < 4) ? 1 : 0;
    if (bits == 4)
        return ((x / 12) + (y / 16) * 8) % 16;
    return (x * 16 / kWidth) * 16 + y * 16 / kHeight;
}

std::vector<RGBQUAD> Palette(int bits) {
    std::vector<RGBQUAD> table;
    int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        if (bits == 1)
            table.push_back(i == 0 ? RGBQUAD{96, 48, 0, 0} : RGBQUAD{200, 230, 255, 0});
        else if (bits == 4)
            table.push_back({static_cast<BYTE>((i & 1) * 255),
                             static_cast<BYTE>((i >> 1 & 1) * 200),
                             static_cast<BYTE>((i >> 2 & 1) * 255), 0});
        else
            table.push_back(
                {static_cast<BYTE>(i % 16 * 17), static_cast<BYTE>(i / 16 * 17), 128, 0});
    }
    if (bits == 4)
        for (int i = 8; i < 16; ++i)
            table[i] = {static_cast<BYTE>(table[i - 8].rgbBlue / 2 + 64),
                        static_cast<BYTE>(table[i - 8].rgbGreen / 2 + 64),
                        static_cast<BYTE>(table[i - 8].rgbRed / 2 + 64), 0};
    return table;
}

template <typename T> void Put(std::vector<BYTE>& out, const T& v) {
    const auto* p = reinterpret_cast<const BYTE*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

bool WriteSample(const std::string& dir, int bits) {
    std::vector<RGBQUAD> table = bits <= 8 ? Palette(bits) : std::vector<RGBQUAD>{};
    DWORD stride = ((kWidth * bits + 31) / 32) * 4;
    DWORD imageSize = stride * kHeight;
    DWORD offBits = 54 + static_cast<DWORD>(table.size()) * 4;

    BITMAPFILEHEADER fh{0x4D42, offBits + imageSize, 0, 0, offBits};
    BITMAPINFOHEADER ih{40,     kWidth,    kHeight, 1,    static_cast<WORD>(bits),
                        BI_RGB, imageSize, 2835,    2835, static_cast<DWORD>(table.size()),
                        0};
    std::vector<BYTE> out;
    Put(out, fh);
    Put(out, ih);
    for (const RGBQUAD& q : table)
        Put(out, q);
    for (int stored = 0; stored < kHeight; ++stored) {
        int y = kHeight - 1 - stored; // rows are stored bottom-up
        std::vector<BYTE> row(stride, 0);
        for (int x = 0; x < kWidth; ++x) {
            Rgb c = ColorAt(x, y);
            switch (bits) {
            case 1:
                row[x / 8] |= static_cast<BYTE>(IndexAt(x, y, 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<BYTE>(IndexAt(x, y, 4) << (x % 2 == 0 ? 4 : 0));
                break;
            case 8:
                row[x] = static_cast<BYTE>(IndexAt(x, y, 8));
                break;
            case 16: {
                WORD v = static_cast<WORD>((c.r >> 3) << 10 | (c.g >> 3) << 5 | (c.b >> 3));
                std::memcpy(&row[2 * x], &v, 2);
                break;
            }
            default: {
                int n = bits / 8;
                row[n * x] = c.b;
                row[n * x + 1] = c.g;
                row[n * x + 2] = c.r;
                break;
            }
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    std::string path = dir + "/sample-" + std::to_string(bits) + "bit.bmp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "samples";
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        if (!WriteSample(dir, bits)) {
            std::fprintf(stderr, "make-samples: cannot write into %s\n", dir.c_str());
            return 1;
        }
    }
    return 0;
}
