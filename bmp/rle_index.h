// A run-length stream walked once, so that a pixel read or a redraw of a few rows costs
// a walk of those rows instead of a walk of the whole stream.
//
// It keeps where each row's first pixel-setting code begins, which is what decoding
// needs to take the row up again: the walker's state is its place in the stream and in
// the picture, nothing more. So it takes a few bytes a row that codes set, whatever the
// stream's size, and rows a stream never reaches cost nothing. The rows read last are
// kept decoded, for the many reads of one row a repaint makes.
#pragma once

#include "bmp/rle.h"

#include <array>
#include <memory>
#include <optional>

namespace bmp {

class RleIndex {
public:
    // Null for a stream of 4 GiB or more, and when memory runs out: the callers walk
    // the stream instead. The stream's bytes must outlive the index.
    static std::unique_ptr<RleIndex> Make(const RleStream& stream);

    const RleStream& Stream() const { return m_stream; }
    bool Describes(const RleStream& s) const {
        return s.bytes == m_stream.bytes && s.held == m_stream.held &&
               s.length == m_stream.length && s.width == m_stream.width &&
               s.height == m_stream.height && s.bits == m_stream.bits;
    }
    // The codes that set pixels on stored row y (0 = bottom), in stream order; their
    // runs' literal bytes are not kept: read them with RunPixel.
    void ForEachRunOn(std::int64_t y, const std::function<void(const RleCode&)>& onCode) const;
    // The code that sets pixel x of stored row y, or none.
    std::optional<RleCode> CodeAt(std::int64_t x, std::int64_t y) const;
    // The pixel-setting code whose bytes hold stream offset at, or none.
    std::optional<RleCode> CodeHolding(std::uint64_t at) const;
    // Pixel x of stored row y as RunPixel gives it, or none where no code sets it.
    std::optional<std::uint32_t> ValueAt(std::int64_t x, std::int64_t y) const;

private:
    struct Entry {
        std::uint32_t pos, x, y; // where the row's first pixel-setting code is taken up
    };
    struct CachedRow {
        std::int64_t y = -1;
        std::vector<RleCode> codes;
    };
    RleIndex() = default;
    const std::vector<RleCode>& Row(std::int64_t y) const;

    RleStream m_stream;
    std::vector<Entry> m_rows;
    mutable std::array<CachedRow, 16> m_cache;
    mutable std::size_t m_next = 0;
};

// Pixel k of a run's code: a colour index at 4 and 8 bits, 0x00RRGGBB at 24; bytes past
// what the stream holds read as zero.
std::uint32_t RunPixel(const RleStream& stream, const RleCode& code, std::int64_t k);

} // namespace bmp
