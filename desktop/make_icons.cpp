// make-icons DIR: the program's icon at each size the desktop asks for, drawn at that
// size, as DIR/SIZExSIZE/apps/pixscope.png.
#include "desktop/png_file.h"
#include "resources/icon_art.h"

#include <cstdio>
#include <filesystem>
#include <string>

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
        if (error || !WritePng(folder + "/pixscope.png", size, size, DrawAppIcon(size))) {
            std::fprintf(stderr, "make-icons: cannot write %s/pixscope.png\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
