// make-icons DIR: the program's icon at each size the desktop asks for, drawn at that
// size, as DIR/SIZExSIZE/apps/pixscope.png.
#include "codecs/png_file.h"
#include "resources/icon_art.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The icon drawn at size, written through libpng.
bool WriteIcon(const std::string& path, int size) {
    const std::vector<std::uint32_t> argb = DrawAppIcon(size);
    std::string error;
    const std::vector<std::uint8_t> png = codecs::EncodePng(
        size, size,
        [&](std::int64_t y, std::uint8_t* rgba) {
            for (int x = 0; x < size; ++x) {
                const std::uint32_t v = argb[static_cast<std::size_t>(y * size + x)];
                rgba[4 * x] = static_cast<std::uint8_t>(v >> 16);
                rgba[4 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                rgba[4 * x + 2] = static_cast<std::uint8_t>(v);
                rgba[4 * x + 3] = static_cast<std::uint8_t>(v >> 24);
            }
        },
        &error);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return !png.empty() && out.good();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons DIR\n");
        return 2;
    }
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string folder = std::string(argv[1]) + "/" + std::to_string(size) + "x" +
                                   std::to_string(size) + "/apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error || !WriteIcon(folder + "/pixscope.png", size)) {
            std::fprintf(stderr, "make-icons: cannot write %s/pixscope.png\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
