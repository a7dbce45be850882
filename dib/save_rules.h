// Whether a picture can be saved so that its file reads back as the picture: the rules
// every save follows, the window's and pixscope-cli's alike.
#pragma once

#include "dib/dib.h"

#include <string>

// As it stands (a written pixel, then Write), or converted to 16 bits first (the save
// command).
enum class SaveAs { AsItIs, Rgb555 };

// Why the save would write a file that does not read back, in Chinese (UTF-8), or empty
// when it may go ahead: pixels stored in no way the header says, a pixel array the file
// did not hold whole, or a picture no conversion can make whole. It costs the bytes the
// file held at most, whatever the header declares.
std::string SaveRefusal(const CDib& dib, SaveAs as);
