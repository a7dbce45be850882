// Decoding of BI_RLE8, BI_RLE4 and OS/2 RLE24 pixel streams, bottom row first.
//
// The decoder is as forgiving as Windows: pixels past the right edge are dropped, a
// delta stops at the edge, leaving the top row or running out of data ends decoding,
// and no end-of-bitmap marker is needed. It never reads past the stream it is given.
#pragma once

#include <algorithm>
#include <array>
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
// on that row; it stops once decoding leaves the row, or when onCode returns false.
void WalkRleRow(const RleStream& stream, RleState from,
                const std::function<bool(const RleCode&)>& onCode);

// The walk itself, from `from` to the end of the stream or, with a row to keep to
// (onlyRow >= 0), until decoding leaves it; onCode returns false to stop. In the header
// so that a caller's loop over codes is compiled with it.
template <typename OnCode>
void WalkCodes(const RleStream& s, RleState from, std::int64_t onlyRow, OnCode&& onCode,
               std::vector<RleDiagnostic>* diagnostics) {
    const bool fourBit = s.bits == 4, bgr = s.bits == 24;
    const std::size_t length = s.length, held = std::min(s.held, s.length);
    const std::uint8_t* stream = s.bytes;
    const std::int64_t width = s.width, height = s.height;
    auto byte = [&](std::size_t at) { return at < held ? stream[at] : std::uint8_t{0}; };
    std::int64_t x = from.x, y = from.y;
    auto pos = static_cast<std::size_t>(std::min<std::uint64_t>(from.pos, length));
    std::array<std::uint8_t, 255 * 3> literal; // filled where it is used
    auto fault = [&](RleFault f, std::size_t at) {
        if (diagnostics != nullptr)
            diagnostics->push_back(RleDiagnostic{f, at, x, y});
    };
    while (y < height) {
        if (onlyRow >= 0 && y > onlyRow)
            return;
        if (pos >= held && length - pos >= 2) {
            // Only zeros are left: end-of-line codes, one row each.
            const auto rows = static_cast<std::int64_t>((length - pos) / 2);
            y = std::min(height, y + rows);
            pos += 2 * static_cast<std::size_t>(rows);
            continue;
        }
        if (length - pos < 2) {
            fault(length == pos ? RleFault::NoEndCode : RleFault::CodeCut, pos);
            return;
        }
        const std::size_t at = pos;
        const std::uint8_t n = byte(pos), c = byte(pos + 1);
        pos += 2;
        auto run = [&](std::int64_t asked, std::uint64_t bytes, bool absolute, std::uint8_t value)
            __attribute__((always_inline)) {
            const std::int64_t visible = std::max<std::int64_t>(0, std::min(asked, width - x));
            if (visible < asked)
                fault(RleFault::RunPastEdge, at);
            const std::uint8_t* data = absolute ? stream + at + 2 : nullptr;
            if (absolute && at + bytes > held) {
                // Literal pixels past what the file holds are the zeros the reader has.
                literal.fill(0);
                if (held > at + 2)
                    std::copy(stream + at + 2, stream + std::min(held, at + 2 + literal.size()),
                              literal.begin());
                data = literal.data();
            }
            const bool more =
                onCode(RleCode{RleCode::Kind::Run, at, bytes, asked,
                               RleRun{y, x, visible, absolute, fourBit, data, value, bgr}});
            x = std::min(x + asked, width);
            return more;
        };
        if (n > 0 && bgr) {
            if (length - at < 4) {
                fault(RleFault::CodeCut, at);
                return;
            }
            pos += 2;
            if (!run(n, 4, false, 0))
                return;
        } else if (n > 0) {
            if (!run(n, 2, false, c))
                return;
        } else if (c == 0) {
            if (!onCode(RleCode{RleCode::Kind::EndOfLine, at, 2, 0, {}}))
                return;
            x = 0;
            ++y;
        } else if (c == 1) {
            onCode(RleCode{RleCode::Kind::EndOfBitmap, at, 2, 0, {}});
            if (pos < length && std::any_of(stream + std::min(pos, held), stream + held,
                                            [](std::uint8_t b) { return b != 0; }))
                fault(RleFault::BytesAfterEnd, pos);
            return;
        } else if (c == 2) {
            if (length - pos < 2) {
                fault(RleFault::CodeCut, at);
                return;
            }
            const std::uint8_t dx = byte(pos), dy = byte(pos + 1);
            pos += 2;
            if (x + dx > width || y + dy >= height)
                fault(RleFault::DeltaPastPicture, at);
            if (!onCode(RleCode{RleCode::Kind::Delta, at, 4, 0, {}}))
                return;
            x = std::min<std::int64_t>(x + dx, width);
            y += dy;
        } else {
            const std::size_t bytes = fourBit ? (c + 1u) / 2u : bgr ? 3u * c : c;
            if (length - pos < bytes) {
                fault(RleFault::CodeCut, at);
                return;
            }
            const std::size_t taken = std::min(bytes + bytes % 2, length - pos);
            if (!run(c, 2 + taken, true, 0))
                return;
            pos += taken;
        }
    }
    if (onlyRow >= 0)
        return;
    // The picture is full. Writers end the last row and then the bitmap; anything else
    // after the last row is never drawn.
    if (length - pos >= 2 && byte(pos) == 0 && byte(pos + 1) == 1) {
        onCode(RleCode{RleCode::Kind::EndOfBitmap, pos, 2, 0, {}});
        pos += 2;
    } else {
        fault(RleFault::NoEndCode, pos);
    }
    if (pos < length && std::any_of(stream + std::min(pos, held), stream + held,
                                    [](std::uint8_t b) { return b != 0; }))
        fault(RleFault::BytesAfterEnd, pos);
}

// The runs of WalkRle that set pixels.
void DecodeRle(const RleStream& stream, const std::function<void(const RleRun&)>& onRun);

} // namespace bmp
