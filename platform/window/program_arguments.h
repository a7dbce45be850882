// The files named on the window program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::window {

// The arguments after the program's name, once Qt has taken out the options it knows;
// the first "--" ends the options and is not a file.
std::vector<std::string> FilesToOpen(int argc, const char* const* argv);

// The option that opens one file in the structure view instead of the main window.
inline constexpr const char* kStructureOption = "--structure";
// The file named after it, if it is given before "--".
std::optional<std::string> StructureFile(int argc, const char* const* argv);

} // namespace platform::window
