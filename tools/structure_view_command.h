// The structure view of a file, from the "工具" menu or the command line.
#pragma once

#include <string>

// Opens it beside the program's other windows; a file that can't be read is said in a
// message box.
void OpenStructureView(const std::string& nativePath);
// The structure view as the whole program (pixscope --structure FILE): returns the
// program's exit code once its window is closed.
int RunStructureViewOf(const std::string& nativePath);
