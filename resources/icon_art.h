// The program's icon, drawn at any size from its shapes rather than scaled from one
// bitmap: a framed grid of coloured pixels under a magnifying glass.
#pragma once

#include <cstdint>
#include <vector>

// size x size pixels, rows from the top, 0xAARRGGBB with straight alpha.
std::vector<std::uint32_t> DrawAppIcon(int size);
