// A BMP file as the structure view shows it: its regions and fields, the checker's
// findings, the decoded picture, and the ties between a pixel and its bytes.
#pragma once

#include "structure/structure_model.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace structure {

// The model of a file's bytes, which must outlive it unless owner keeps them (a mapping
// of the file, say); owner goes with the model. name is how the window's title names the
// file (UTF-8). image picks one of a bitmap array's pictures; a plain file has only 0.
std::unique_ptr<StructureModel> BmpStructureOf(std::span<const std::uint8_t> bytes,
                                               const std::string& name,
                                               std::shared_ptr<const void> owner = nullptr,
                                               std::size_t image = 0);

} // namespace structure
