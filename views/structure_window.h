// A window that explains a file byte by byte: its parts as a tree, every byte in a hex
// view and the picture the bytes make, tied together so that choosing any of them shows
// the others. What the parts and pixels are comes from a model; the window knows no
// file format.
#pragma once

#include "structure/structure_model.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace views {

using structure::ByteRange;
using structure::PixelSpan;
using structure::StructureModel;

// Opens a window on the model beside the program's others; it goes when closed.
void ShowStructureView(std::unique_ptr<StructureModel> model);
// The window as the whole program: returns once it is closed.
int RunStructureView(std::unique_ptr<StructureModel> model);

// What an offset typed by the user means: hexadecimal with 0x or a trailing h, or
// decimal; spaces around it are allowed. Nothing for anything else.
std::optional<std::uint64_t> ParseOffset(const std::string& typed);

} // namespace views
