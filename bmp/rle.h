// Decoding of BI_RLE8, BI_RLE4 and OS/2 RLE24 pixel streams, bottom row first.
//
// The decoder is as forgiving as Windows: pixels past the right edge are dropped, a
// delta stops at the edge, leaving the top row or running out of data ends decoding,
// and no end-of-bitmap marker is needed. It never reads past the stream it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace bmp {

// A stream as a reader takes it: `length` bytes, of which those from `held` on read as
// zeros (what a file shorter than its declared size gives the program).
struct RleStream {
    const std::uint8_t* bytes = nullptr;
    std::size_t held = 0;
    std::size_t length = 0;
    std::int64_t width = 0, height = 0;
    // 4 (RLE4), 8 (RLE8) or 24 (OS/2's RLE24, whose encoded run is its count and one
    // blue, green, red triple, and whose absolute run holds a triple a pixel).
    int bits = 8;

    std::uint8_t Byte(std::uint64_t at) const { return at < held ? bytes[at] : 0; }
};

// A run of n pixels on stored row y (0 = bottom), from column x, all inside the
// picture's width.
struct RleRun {
    std::int64_t y;
    std::int64_t x;
    std::int64_t n;
    bool absolute; // literal pixels in data, else one encoded value
    bool fourBit;
    const std::uint8_t* data; // absolute runs: the literal bytes, valid during the call
    std::uint8_t value; // encoded runs: the index (RLE8) or the two alternating nibbles (RLE4)
    // OS/2 RLE24: a pixel is three bytes, blue, green, red, which an encoded run holds
    // after its count and an absolute run one triple a pixel; At does not apply.
    bool bgr = false;

    std::uint8_t At(std::int64_t k) const {
        if (absolute) {
            if (!fourBit)
                return data[k];
            const std::uint8_t b = data[k / 2];
            return k % 2 == 0 ? static_cast<std::uint8_t>(b >> 4)
                              : static_cast<std::uint8_t>(b & 0x0F);
        }
        if (!fourBit)
            return value;
        return k % 2 == 0 ? static_cast<std::uint8_t>(value >> 4)
                          : static_cast<std::uint8_t>(value & 0x0F);
    }
};

// One code of a stream as the decoder takes it, with the bytes it occupies.
struct RleCode {
    enum class Kind { Run, EndOfLine, EndOfBitmap, Delta };
    Kind kind;
    std::uint64_t at;    // its first byte in the stream
    std::uint64_t bytes; // the bytes it takes, an absolute run's pad included
    std::int64_t asked;  // Run: the pixels it asks for
    RleRun run;          // Run: the pixels it sets inside the picture (n may be 0)
};

// Where the decoder stands before a code: its place in the stream and in the picture.
struct RleState {
    std::uint64_t pos = 0;
    std::int64_t x = 0, y = 0;
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

// Encodes colour indices (one byte each, rows bottom first, `width` a row) the way a
// display driver does: runs of two or more equal pixels as counted pairs, stretches of
// three or more others as absolute runs padded to an even length, one or two leftover
// pixels as pairs of count 1; an end-of-line after every row and end-of-bitmap last.
std::vector<std::uint8_t> EncodeRle(const std::uint8_t* indices, std::int64_t width,
                                    std::int64_t height, bool fourBit);

// The one reading of a run-length stream, for the drawing, the pixel read, the checker
// and the locator: onCode for each code; faults go to diagnostics when it is given.
void WalkRle(const RleStream& stream, const std::function<void(const RleCode&)>& onCode,
             std::vector<RleDiagnostic>* diagnostics = nullptr);

// The codes of one stored row, from a state the walk of the whole stream passed through
// on that row; it stops once decoding leaves the row.
void WalkRleRow(const RleStream& stream, RleState from,
                const std::function<void(const RleCode&)>& onCode);

// The runs of WalkRle that set pixels.
void DecodeRle(const RleStream& stream, const std::function<void(const RleRun&)>& onRun);

} // namespace bmp
