// Builds BMP files byte by byte for tests, so that every field can be set to a value a
// real writer would never produce.
#pragma once

#include "platform/wintypes.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct BmpFields {
    int width = 4;
    int height = 2;
    int bitCount = 24;
    DWORD compression = BI_RGB;
    DWORD sizeImage = 0; // 0: the computed size is written into the header as well
    DWORD clrUsed = 0;
    DWORD headerSize = 40;
    WORD magic = 0x4D42;
    WORD reserved1 = 0;
    std::vector<RGBQUAD> colors; // written as the colour table
    std::vector<BYTE> gap;       // bytes between the colour table and the pixels
    std::vector<BYTE> pixels;    // empty: zero bytes of the computed size
    long offBitsOverride = -1;   // bfOffBits as given instead of computed
    bool keepSizeImageZero = false;

    // Chained setters, so that a case fits on a line.
    BmpFields& Size(int w, int h) { return width = w, height = h, *this; }
    BmpFields& Bits(int bits) { return bitCount = bits, *this; }
    BmpFields& Compression(DWORD c) { return compression = c, *this; }
    BmpFields& Table(std::vector<RGBQUAD> t) { return colors = std::move(t), *this; }
    BmpFields& Pixels(std::vector<BYTE> p) { return pixels = std::move(p), *this; }
    BmpFields& ClrUsed(DWORD n) { return clrUsed = n, *this; }
    BmpFields& SizeImage(DWORD n) { return sizeImage = n, *this; }
    BmpFields& OffBits(long n) { return offBitsOverride = n, *this; }
    BmpFields& Header(DWORD n) { return headerSize = n, *this; }
    BmpFields& NoSizeImage() { return keepSizeImageZero = true, *this; }
    std::vector<BYTE> Build() const;
};

std::vector<BYTE> BuildBmp(const BmpFields& fields);

// A 24-bit (or 32-bit) picture whose pixel (x, y), counted from the top, is
// colour(x, y); S bytes of a 32-bit picture are x + y.
std::vector<BYTE> PictureOf(int w, int h, const std::function<COLORREF(int x, int y)>& colour,
                            int bitCount = 24);

// A word for the shell: in single quotes, any quote in it escaped.
std::string ShellQuote(const std::string& s);

// A file in a fresh temporary directory, removed with it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    std::string Write(const std::string& name, const std::vector<BYTE>& bytes) const;
    const std::string& Dir() const { return m_dir; }

private:
    std::string m_dir;
};

std::vector<BYTE> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
// How many names a directory holds.
size_t EntriesIn(const std::string& dir);
