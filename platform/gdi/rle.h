// Decoding of BI_RLE8, BI_RLE4 and OS/2 RLE24 pixel streams, bottom row first.
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
    // OS/2 RLE24: a pixel is three bytes, blue, green, red, which an encoded run holds
    // after its count and an absolute run one triple a pixel; At does not apply.
    bool bgr = false;

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

// One code of a stream as the decoder takes it, with the bytes it occupies.
struct RleCode {
    enum class Kind { Run, EndOfLine, EndOfBitmap, Delta };
    Kind kind;
    std::uint64_t at;    // its first byte in the stream
    std::uint64_t bytes; // the bytes it takes, an absolute run's pad included
    std::int64_t asked;  // Run: the pixels it asks for
    RleRun run;          // Run: the pixels it sets inside the picture (n may be 0)
};

// What a strict reader objects to, at the code where it happens. Decoding goes on as
// the drawing's does, so every fault of a stream is found, not just the first.
enum class RleFault {
    RunPastEdge,      // pixels past the right edge, dropped
    DeltaPastPicture, // a delta past the right edge or above the top row
    CodeCut,          // the stream ends inside a code; the rest is never set
    NoEndCode,        // the stream ends, or the picture is full, without 00 01
    BytesAfterEnd,    // bytes after the end code or after the last row
};
struct RleDiagnostic {
    RleFault fault;
    std::uint64_t at;
    std::int64_t x, y; // where decoding was, stored rows from the bottom
};

// The one reading of a run-length stream, for the drawing, the pixel read, the checker
// and the locator. It takes `length` bytes, of which those from `held` on read as zeros
// (what a file shorter than its declared size gives the program), and calls onCode for
// each code; faults go to diagnostics when it is given.
void WalkRle(const BYTE* stream, std::size_t held, std::size_t length, std::int64_t width,
             std::int64_t height, bool fourBit, const std::function<void(const RleCode&)>& onCode,
             std::vector<RleDiagnostic>* diagnostics = nullptr);

// The same for a stream of any depth: bits 4 (RLE4), 8 (RLE8) or 24 (OS/2's RLE24, whose
// encoded run is its count and one blue, green, red triple, and whose absolute run holds
// a triple a pixel, padded to an even length).
void WalkRleOfDepth(const BYTE* stream, std::size_t held, std::size_t length, std::int64_t width,
                    std::int64_t height, int bits,
                    const std::function<void(const RleCode&)>& onCode,
                    std::vector<RleDiagnostic>* diagnostics = nullptr);

// The runs of WalkRle that set pixels, for a stream held whole.
void DecodeRle(const BYTE* stream, std::size_t length, std::int64_t width, std::int64_t height,
               bool fourBit, const std::function<void(const RleRun&)>& onRun);

} // namespace platform::gdi
