// Loading a file the way the open command does, for the subcommands.
#pragma once

#include "dib/dib.h"

#include <string>

enum class OpenResult { Loaded, CannotOpen, NotABitmap };

// Opens the file for reading and reads it into dib. The messages the window program
// would show ("Can't Read Files!!", "Read error", "Read Error!!") go to the user.
OpenResult OpenBitmapFile(const std::string& path, CDib& dib);
