// Checks a BMP file against its own bytes: the file and information headers, the
// colour table, the masks, the pixel data and its run-length stream, palette indices.
//
// It reads the bytes itself and never trusts a size it has not checked against the
// file's length, so it explains files the loader refuses too, and a header that
// declares gigabytes costs nothing. Pixel bytes are read only where a check needs them
// (run-length streams and palette indices), in one pass.
#pragma once

#include "inspect/findings.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace inspect {

// The findings in file-offset order. A bitmap array's chain is checked, and its image
// `image` (from 0) as a file of its own.
std::vector<Finding> CheckBitmap(std::span<const std::uint8_t> file, std::size_t image = 0);

} // namespace inspect
