// Writes an RGBA picture as a PNG file, uncompressed (the icons are small).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// pixels: width x height, rows from the top, 0xAARRGGBB. False when it cannot be written.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels);
