// A unit of the pixel data as a row of the structure view's tree: what it is, where and
// what it sets, in the view's words.
#pragma once

#include "inspect/pixel_units.h"
#include "structure/structure_model.h"

namespace structure {

StructureModel::Node UnitNode(const inspect::PixelUnit& unit);

} // namespace structure
