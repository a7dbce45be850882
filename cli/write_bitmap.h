#pragma once

#include "dib/dib.h"

#include <string>

// Writes the picture to path with CDib::Write through a temporary file that replaces
// path only when complete. On failure the message is shown and path is untouched.
bool WriteBitmapFile(CDib& dib, const std::string& path);
