// The structure view of a file, from the "工具" menu or the command line.
#pragma once

#include "views/structure_window.h"

#include <string>

// Opens it beside the program's other windows, at a byte or pixel if asked; a file that
// can't be read is said in a message box.
void OpenStructureView(const std::string& nativePath, views::StructureViewStart start = {});
