// A run-length stream walked once, so that a pixel read or a redraw of a few rows costs
// a walk of those rows instead of a walk of the whole stream.
//
// It keeps where each row's first pixel-setting code begins, and every 16th code after
// it, which is what decoding needs to take the row up again: the walker's state is its
// place in the stream and in the picture, nothing more. So it takes a few bytes a row
// that codes set and a few for every 16 codes, whatever the stream's size, and rows a
// stream never reaches cost nothing. A pixel read walks at most 16 codes; the rows read
// last are kept decoded, for the many reads of one row a repaint makes.
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
    template <typename OnCode> void ForEachRunOn(std::int64_t y, OnCode&& onCode) const;
    // The code that sets pixel x of stored row y, or none.
    std::optional<RleCode> CodeAt(std::int64_t x, std::int64_t y) const;
    // The pixel-setting code whose bytes hold stream offset at, or none.
    std::optional<RleCode> CodeHolding(std::uint64_t at) const;
    // How many places it keeps: its memory, at 12 bytes each.
    std::size_t Places() const { return m_rows.size(); }
    // Pixel x of stored row y as RunPixel gives it, or none where no code sets it.
    std::optional<std::uint32_t> ValueAt(std::int64_t x, std::int64_t y) const;

private:
    struct Entry {
        std::uint32_t pos, x, y; // where decoding is taken up, before a pixel-setting code
    };
    // The entries of stored row y: the first, and one past the last.
    std::pair<std::vector<Entry>::const_iterator, std::vector<Entry>::const_iterator>
    EntriesOf(std::int64_t y) const;
    struct CachedRow {
        std::int64_t y = -1;
        std::vector<RleCode> codes;
    };
    RleIndex() = default;
    const std::vector<RleCode>& Row(std::int64_t y) const;
    static std::optional<RleCode> FindIn(const std::vector<RleCode>& codes, std::int64_t x);

    RleStream m_stream;
    std::vector<Entry> m_rows;
    mutable std::array<CachedRow, 16> m_cache;
    mutable std::size_t m_next = 0;
    mutable std::int64_t m_lastAsked = -1;
};

template <typename OnCode> void RleIndex::ForEachRunOn(std::int64_t y, OnCode&& onCode) const {
    const auto [first, end] = EntriesOf(y);
    if (first == end)
        return;
    WalkCodes(
        m_stream, RleState{first->pos, first->x, y}, y,
        [&](const RleCode& code) {
            if (code.kind == RleCode::Kind::Run && code.run.n > 0)
                onCode(code);
            return true;
        },
        nullptr);
}

// Pixel k of a run's code: a colour index at 4 and 8 bits, 0x00RRGGBB at 24; bytes past
// what the stream holds read as zero.
std::uint32_t RunPixel(const RleStream& stream, const RleCode& code, std::int64_t k);

} // namespace bmp
