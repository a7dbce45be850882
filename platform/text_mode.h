// Windows text-mode output, which glibc does not do: every line-feed byte is written
// as carriage return + line feed, every other byte as it is.
#pragma once

#include <cstddef>
#include <string>

namespace platform {
std::string TextModeBytes(const char* data, std::size_t size);
} // namespace platform
