// The files named on the window program's command line.
#pragma once

#include <string>
#include <vector>

namespace platform::window {

// The arguments after the program's name, once Qt has taken out the options it knows;
// the first "--" ends the options and is not a file.
std::vector<std::string> FilesToOpen(int argc, const char* const* argv);

} // namespace platform::window
