// What kind of file a name is, for the messages that refuse anything but a regular file.
#pragma once

#include <sys/types.h>

#include <string>

namespace platform {

// "is a directory", "is a FIFO", … for a mode that is not a regular file; null for one
// that is.
const char* NonRegularKind(mode_t mode);
// The same for the file a path names now (links followed), or null when it is a
// regular file or cannot be looked at.
const char* NonRegularKind(const std::string& path);

} // namespace platform
