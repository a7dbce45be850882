// Decoding of BI_RLE8 and BI_RLE4 pixel streams, bottom row first.
//
// The decoder is as forgiving as Windows: pixels past the right edge are dropped, a
// delta stops at the edge, leaving the top row or running out of data ends decoding,
// and no end-of-bitmap marker is needed. It never reads past the stream it is given.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform::gdi {

// A run of n colour indices on stored row y (0 = bottom), from column x, all inside the
// picture's width.
struct RleRun {
    std::int64_t y;
    std::int64_t x;
    std::int64_t n;
    bool absolute; // literal indices in data, else one encoded value
    bool fourBit;
    const BYTE* data; // absolute runs: the literal bytes, which lie inside the stream
    BYTE value;       // encoded runs: the index (RLE8) or the two alternating nibbles (RLE4)

    BYTE At(std::int64_t k) const {
        if (absolute) {
            if (!fourBit)
                return data[k];
            BYTE b = data[k / 2];
            return (k % 2 == 0) ? static_cast<BYTE>(b >> 4) : static_cast<BYTE>(b & 0x0F);
        }
        if (!fourBit)
            return value;
        return (k % 2 == 0) ? static_cast<BYTE>(value >> 4) : static_cast<BYTE>(value & 0x0F);
    }
};

// Encodes colour indices (one byte each, rows bottom first, `width` a row) the way a
// display driver does: runs of two or more equal pixels as counted pairs, stretches of
// three or more others as absolute runs padded to an even length, one or two leftover
// pixels as pairs of count 1; an end-of-line after every row and end-of-bitmap last.
std::vector<BYTE> EncodeRle(const BYTE* indices, std::int64_t width, std::int64_t height,
                            bool fourBit);

void DecodeRle(const BYTE* stream, std::size_t length, std::int64_t width, std::int64_t height,
               bool fourBit, const std::function<void(const RleRun&)>& onRun);

} // namespace platform::gdi
