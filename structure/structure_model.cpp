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

std::optional<std::uint64_t> StructureModel::UnitAt(std::uint64_t at) const {
    // Units lie in file order: the last that starts at or before the offset.
    std::uint64_t lo = 0, hi = UnitCount();
    while (lo < hi) {
        const std::uint64_t mid = lo + (hi - lo) / 2;
        if (Unit(mid).bytes.offset <= at)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0 || !Unit(lo - 1).bytes.Holds(at))
        return std::nullopt;
    return lo - 1;
}

std::string HexOffset(std::uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

} // namespace structure
