#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

std::string platform::AbsolutePath(const std::string& path) {
    std::string joined = path;
    if (path.empty() || path[0] != '/') {
        std::vector<char> buf(4096);
        while (::getcwd(buf.data(), buf.size()) == nullptr) {
            if (errno != ERANGE)
                return path;
            buf.resize(buf.size() * 2);
        }
        joined = std::string(buf.data()) + "/" + path;
    }
    // "." and ".." are resolved by the names alone, as the open dialog gives a path;
    // symbolic links stay as they are.
    return std::filesystem::path(joined).lexically_normal().string();
}
