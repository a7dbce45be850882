#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
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
    // "." and ".." are resolved by the names alone, as the open dialog gives a path, and
    // symbolic links stay as they are; but ".." after a link means the parent of where
    // the link leads, as the kernel takes it, or the name would be another file's.
    std::vector<std::string> parts;
    auto joinedParts = [&parts] {
        std::string out;
        for (const std::string& p : parts)
            out += "/" + p;
        return out.empty() ? std::string("/") : out;
    };
    std::size_t at = 0;
    while (at <= joined.size()) {
        std::size_t end = joined.find('/', at);
        if (end == std::string::npos)
            end = joined.size();
        const std::string part = joined.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part != "..") {
            parts.push_back(part);
            continue;
        }
        const std::string prefix = joinedParts();
        if (char* real = ::realpath(prefix.c_str(), nullptr)) {
            if (prefix != real) {
                parts.clear();
                const std::string resolved = real;
                for (std::size_t from = 1; from < resolved.size();) {
                    std::size_t slash = resolved.find('/', from);
                    if (slash == std::string::npos)
                        slash = resolved.size();
                    parts.push_back(resolved.substr(from, slash - from));
                    from = slash + 1;
                }
            }
            std::free(real);
        }
        if (!parts.empty())
            parts.pop_back();
    }
    std::string out = joinedParts();
    if (!path.empty() && path.back() == '/' && out != "/")
        out += "/";
    return out;
}
