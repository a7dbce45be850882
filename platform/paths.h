// Paths as the user gave them, made absolute the way the desktop's dialogs give them.
#pragma once

#include <string>

namespace platform {

// Relative paths are put under the working directory and "." and ".." resolved by
// name; symbolic links are not resolved, except that ".." after one is the parent of
// where it leads, as the kernel takes it. The bytes of the names are kept as they are.
std::string AbsolutePath(const std::string& path);

} // namespace platform
