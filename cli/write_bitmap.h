#pragma once

#include "dib/dib.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the picture to path with CDib::Write through a temporary file that replaces
// path only when complete. On failure the message is shown and path is untouched.
bool WriteBitmapFile(CDib& dib, const std::string& path);
// Writes bytes to path the same way; messages name the command.
bool WriteWholeFile(const char* command, const std::string& path,
                    const std::vector<std::uint8_t>& bytes);
