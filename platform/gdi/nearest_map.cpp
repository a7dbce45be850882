#include "platform/gdi/nearest_map.h"

namespace platform::gdi {
namespace {

__extension__ using Wide = __int128;

// Floor division; 128-bit operands because 2 * S * (j + 1) exceeds 64 bits for extents
// near 2^31.
std::int64_t FloorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return static_cast<std::int64_t>(q);
}

} // namespace

std::int64_t NearestSource(std::int64_t j, std::int64_t S, std::int64_t D, Axis axis) {
    const Wide s = S, d = D, jj = j;
    if (D >= S)
        return FloorDiv((2 * jj + 1) * s - 1, 2 * d);
    if (axis == Axis::Columns)
        return FloorDiv(2 * s * (jj + 1) - d, 2 * d);
    return FloorDiv(2 * s * jj - d, 2 * d) + 1;
}

} // namespace platform::gdi
