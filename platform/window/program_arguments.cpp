#include "platform/window/program_arguments.h"

#include <cstring>

namespace platform::window {

std::vector<std::string> FilesToOpen(int argc, const char* const* argv) {
    std::vector<std::string> files;
    bool dashes = false;
    for (int i = 1; i < argc; ++i) {
        if (!dashes && std::strcmp(argv[i], "--") == 0)
            dashes = true;
        else
            files.emplace_back(argv[i]);
    }
    return files;
}

} // namespace platform::window
