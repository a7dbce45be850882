// A BITMAPINFO and its pixel array as the graphics calls take them: the format library's
// decoder under the drawing's rules, made once per call.
#pragma once

#include "bmp/decoder.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <optional>

namespace platform::gdi {

// Nothing when the header describes nothing the drawing takes: a width or height of
// zero or less, an unknown depth or compression, zero masks, or masks past infoLength.
std::optional<bmp::Decoder> DrawingDecoder(const BITMAPINFO* info, std::size_t infoLength,
                                           const void* bits, std::size_t bitsLength);
// What the drawing makes of a header alone, with the bytes of it that there are.
bmp::PixelFormat DrawingFormat(const BITMAPINFO* info, std::size_t infoLength);

// The header block a header claims to have (header, masks, colour table), for callers
// that vouch for it as Windows callers do.
std::size_t ClaimedInfoLength(const BITMAPINFOHEADER& h);

} // namespace platform::gdi
