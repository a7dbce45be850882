#include "structure/structure_model.h"

#include <cstdio>

namespace structure {

std::vector<std::size_t> StructureModel::PathAt(std::uint64_t at) const {
    std::vector<std::size_t> path;
    const std::vector<Node>* level = &Tree();
    // Children lie inside their parent, so one row a level can hold the offset.
    for (bool found = true; found;) {
        found = false;
        for (std::size_t i = 0; i < level->size(); ++i) {
            if ((*level)[i].bytes.Holds(at)) {
                path.push_back(i);
                level = &(*level)[i].children;
                found = true;
                break;
            }
        }
    }
    return path;
}

std::string HexOffset(std::uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

} // namespace structure
