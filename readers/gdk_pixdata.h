// The picture gdk-pixbuf-pixdata writes: a GdkPixdata block with raw pixels, as 8-bit
// RGBA.
#pragma once

#include "codecs/png_file.h"

#include <cstdint>
#include <span>

namespace readers {

codecs::RgbaPicture ReadPixdata(std::span<const std::uint8_t> bytes);
// The width and height the block's header gives, without reading its pixels; false when
// the bytes are no GdkPixdata block.
bool PixdataSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height);

} // namespace readers
