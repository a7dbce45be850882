// Which source pixel a destination pixel shows when a run of S source pixels is
// stretched over D destination pixels with COLORONCOLOR (surplus pixels dropped).
// Both indices count from the start of the run. Enlarging samples at the centre with
// ties to the lower index; shrinking keeps the last member of each group of columns
// and the first member of each group of rows.
#pragma once

#include <cstdint>

namespace platform::gdi {

enum class Axis { Columns, Rows };

std::int64_t NearestSource(std::int64_t j, std::int64_t S, std::int64_t D, Axis axis);

} // namespace platform::gdi
