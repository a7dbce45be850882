#include "bmp_builder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

DWORD RowStride(int width, int bitCount) {
    return static_cast<DWORD>(((static_cast<long long>(width) * bitCount + 31) / 32) * 4);
}

template <typename T> void Put(std::vector<BYTE>& out, T v) {
    BYTE b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    out.insert(out.end(), b, b + sizeof v);
}

} // namespace

std::vector<BYTE> BuildBmp(const BmpFields& s) {
    DWORD rows = static_cast<DWORD>(s.height < 0 ? -s.height : s.height);
    DWORD computed = RowStride(s.width, s.bitCount) * rows;
    std::vector<BYTE> pixels = s.pixels.empty() ? std::vector<BYTE>(computed, 0) : s.pixels;
    DWORD sizeImage = s.sizeImage != 0 ? s.sizeImage : (s.keepSizeImageZero ? 0 : computed);
    DWORD offBits =
        s.offBitsOverride >= 0
            ? static_cast<DWORD>(s.offBitsOverride)
            : static_cast<DWORD>(14 + s.headerSize + 4 * s.colors.size() + s.gap.size());

    std::vector<BYTE> out;
    Put<WORD>(out, s.magic);
    Put<DWORD>(out, static_cast<DWORD>(offBits + pixels.size()));
    Put<WORD>(out, s.reserved1);
    Put<WORD>(out, 0);
    Put<DWORD>(out, offBits);
    Put<DWORD>(out, s.headerSize);
    Put<LONG>(out, s.width);
    Put<LONG>(out, s.height);
    Put<WORD>(out, 1);
    Put<WORD>(out, static_cast<WORD>(s.bitCount));
    Put<DWORD>(out, s.compression);
    Put<DWORD>(out, sizeImage);
    Put<LONG>(out, 2835);
    Put<LONG>(out, 2835);
    Put<DWORD>(out, s.clrUsed);
    Put<DWORD>(out, 0);
    // Longer headers are padded with zeros, shorter ones cut.
    out.resize(14 + s.headerSize, 0);
    for (const RGBQUAD& c : s.colors)
        Put(out, c);
    out.insert(out.end(), s.gap.begin(), s.gap.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<BYTE> BmpFields::Build() const {
    return BuildBmp(*this);
}

std::vector<BYTE> PictureOf(int w, int h, const std::function<COLORREF(int x, int y)>& colour,
                            int bitCount) {
    BmpFields fields;
    fields.width = w;
    fields.height = h;
    fields.bitCount = bitCount;
    const int rows = h < 0 ? -h : h;
    const DWORD stride = RowStride(w, bitCount);
    const int bytes = bitCount / 8;
    fields.pixels.assign(stride * static_cast<DWORD>(rows), 0);
    for (int y = 0; y < rows; ++y) {
        const int stored = h > 0 ? rows - 1 - y : y;
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            BYTE* p =
                &fields.pixels[static_cast<DWORD>(stored) * stride + static_cast<DWORD>(x * bytes)];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            if (bytes == 4)
                p[3] = static_cast<BYTE>(x + y);
        }
    }
    return BuildBmp(fields);
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pixscope-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_dir = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string TempDir::Write(const std::string& name, const std::vector<BYTE>& bytes) const {
    std::string path = Path(name);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

size_t EntriesIn(const std::string& dir) {
    const std::filesystem::directory_iterator all(dir);
    return static_cast<size_t>(std::distance(begin(all), end(all)));
}

std::vector<BYTE> ReadFileBytes(const std::string& path) {
    const std::string text = ReadFileText(path);
    return {text.begin(), text.end()};
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
