// The codecs the format library leaves to others: embedded PNG and JPEG streams decoded
// with libpng and libjpeg-turbo, bounded in memory and time like every other decode.
#pragma once

#include "bmp/embedded.h"

#include <cstdint>
#include <span>

namespace codecs {

bmp::StreamPicture DecodePng(std::span<const std::uint8_t> stream);
bmp::StreamPicture DecodeJpeg(std::span<const std::uint8_t> stream);
// Makes them the format library's stream decoder; the programs call it at start.
void InstallStreamDecoders();

} // namespace codecs
