#include "platform/window/program_arguments.h"

#include <cstring>

namespace platform::window {

std::vector<std::string> FilesToOpen(int argc, const char* const* argv) {
    std::vector<std::string> files;
    bool dashes = false;
    for (int i = 1; i < argc; ++i) {
        if (!dashes && std::strcmp(argv[i], "--") == 0)
            dashes = true;
        else if (!dashes && std::strcmp(argv[i], kStructureOption) == 0)
            ++i;
        else
            files.emplace_back(argv[i]);
    }
    return files;
}

std::optional<std::string> StructureFile(int argc, const char* const* argv) {
    for (int i = 1; i + 1 < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], kStructureOption) == 0)
            return argv[i + 1];
    return std::nullopt;
}

} // namespace platform::window
