// A BMP file as the structure view shows it: its regions and fields, the checker's
// findings, the decoded picture, and the ties between a pixel and its bytes.
#pragma once

#include "platform/window/structure_window.h"

#include <memory>
#include <string>

namespace structure {

// Reads the file the system names nativePath; nothing, with why in error (UTF-8), when
// it can't be read. name is how the window's title names it (UTF-8).
std::unique_ptr<platform::window::StructureModel>
OpenBmpStructure(const std::string& nativePath, const std::string& name, std::string& error);

// The same for bytes held elsewhere, which must outlive the model.
std::unique_ptr<platform::window::StructureModel>
BmpStructureOf(std::span<const std::uint8_t> bytes, const std::string& name);

} // namespace structure
