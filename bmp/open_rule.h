// The rule by which the open command takes a file or refuses it, with the refusal's
// identifier, place and words.
#pragma once

#include "bmp/layout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace bmp {

// Why the open command refuses a file: the checker's identifier for it, where, and in
// words. It reads "BM", then a header block from byte 14 up to bfOffBits (at least 40
// bytes) whose information header is the 40-byte kind and which holds the colour table:
// biClrUsed entries, or 2, 16 or 256 for 1, 4 or 8 bits.
struct Refusal {
    std::string id;
    std::uint64_t offset = 0;
    std::string message; // UTF-8
};
std::optional<Refusal> OpenCommandRefusal(const File& file);
// The same over what a loader has read: the file header, and as much of the header block
// from byte 14 on as there is.
std::optional<Refusal> OpenCommandRefusal(std::span<const std::uint8_t> fileHeader,
                                          std::span<const std::uint8_t> headerBlock);

} // namespace bmp
