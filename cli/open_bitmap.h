// Loading a file the way the open command does, for the subcommands.
#pragma once

#include "dib/dib.h"

#include <string>

enum class OpenResult { Loaded, CannotOpen, NotABitmap };

// Opens the file for reading and reads it into dib. The messages the window program
// would show ("Can't Read Files!!", "Read error", "Read Error!!") go to the user.
OpenResult OpenBitmapFile(const std::string& path, CDib& dib);

// The absolute form of a path as given: relative paths are put under the working
// directory and "." and ".." resolved by name; symbolic links are not resolved.
std::string AbsolutePath(const std::string& path);
