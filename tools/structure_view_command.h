// The structure view of a file, from the "工具" menu or the command line.
#pragma once

#include "views/structure_window.h"

#include <string>

// Opens it beside the program's other windows, at a byte or pixel if asked; a file that
// can't be read is said in a message box.
void OpenStructureView(const std::string& nativePath, views::StructureViewStart start = {});
// A file's structure for a view, remembered among the views' recent files; null once a
// message box has said why not.
std::unique_ptr<structure::StructureModel> OpenStructureModel(const std::string& nativePath);
// The file the user chooses in the open dialog; empty when cancelled.
std::string ChooseStructureFile();
