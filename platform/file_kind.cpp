#include "platform/file_kind.h"

#include <sys/stat.h>

namespace platform {

const char* NonRegularKind(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return nullptr;
    case S_IFDIR:
        return "is a directory";
    case S_IFIFO:
        return "is a FIFO";
    case S_IFCHR:
        return "is a character device";
    case S_IFBLK:
        return "is a block device";
    case S_IFSOCK:
        return "is a socket";
    default:
        return "is not a regular file";
    }
}

const char* NonRegularKind(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? NonRegularKind(st.st_mode) : nullptr;
}

} // namespace platform
