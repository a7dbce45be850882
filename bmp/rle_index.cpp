#include "bmp/rle_index.h"

#include <algorithm>
#include <new>

namespace bmp {

std::uint32_t RunPixel(const RleStream& s, const RleCode& code, std::int64_t k) {
    const RleRun& r = code.run;
    const auto uk = static_cast<std::uint64_t>(k);
    if (r.bgr) {
        const std::uint64_t at = code.at + (r.absolute ? 2 + 3 * uk : 1);
        return std::uint32_t{s.Byte(at)} | std::uint32_t{s.Byte(at + 1)} << 8 |
               std::uint32_t{s.Byte(at + 2)} << 16;
    }
    std::uint8_t value = r.value;
    if (r.absolute)
        value = s.Byte(code.at + 2 + (r.fourBit ? uk / 2 : uk));
    if (!r.fourBit)
        return value;
    // Four bits: an encoded run alternates its two nibbles, high first, as literal
    // pixels do within their bytes.
    return k % 2 == 0 ? value >> 4 : value & 0x0Fu;
}

std::optional<RleCode> RleIndex::FindIn(const std::vector<RleCode>& codes, std::int64_t x) {
    // Runs only move right within a row, so they are in column order.
    const auto it = std::partition_point(codes.begin(), codes.end(),
                                         [x](const RleCode& c) { return c.run.x + c.run.n <= x; });
    if (it == codes.end() || it->run.x > x)
        return std::nullopt;
    return *it;
}

std::unique_ptr<RleIndex> RleIndex::Make(const RleStream& stream) {
    if (stream.length > UINT32_MAX || stream.width > UINT32_MAX || stream.height > UINT32_MAX)
        return nullptr;
    try {
        std::unique_ptr<RleIndex> index(new RleIndex);
        index->m_stream = stream;
        index->m_stream.held = std::min(stream.held, stream.length);
        constexpr int kEvery = 16;
        std::int64_t last = -1;
        int since = 0;
        WalkRle(index->m_stream, [&](const RleCode& code) {
            if (code.kind != RleCode::Kind::Run || code.run.n == 0)
                return;
            if (code.run.y == last && ++since < kEvery)
                return;
            last = code.run.y;
            since = 0;
            index->m_rows.push_back(Entry{static_cast<std::uint32_t>(code.at),
                                          static_cast<std::uint32_t>(code.run.x),
                                          static_cast<std::uint32_t>(code.run.y)});
        });
        index->m_rows.shrink_to_fit();
        return index;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::pair<std::vector<RleIndex::Entry>::const_iterator,
          std::vector<RleIndex::Entry>::const_iterator>
RleIndex::EntriesOf(std::int64_t y) const {
    const auto first =
        std::partition_point(m_rows.begin(), m_rows.end(), [y](const Entry& e) { return e.y < y; });
    const auto end =
        std::partition_point(first, m_rows.end(), [y](const Entry& e) { return e.y <= y; });
    return {first, end};
}

const std::vector<RleCode>& RleIndex::Row(std::int64_t y) const {
    for (const CachedRow& c : m_cache)
        if (c.y == y)
            return c.codes;
    CachedRow& slot = m_cache[m_next];
    m_next = (m_next + 1) % m_cache.size();
    slot.y = y;
    slot.codes.clear();
    ForEachRunOn(y, [&](const RleCode& code) {
        slot.codes.push_back(code);
        slot.codes.back().run.data = nullptr; // the walk's literal buffer goes
    });
    return slot.codes;
}

std::optional<RleCode> RleIndex::CodeAt(std::int64_t x, std::int64_t y) const {
    for (const CachedRow& c : m_cache)
        if (c.y == y)
            return FindIn(c.codes, x);
    // A row asked for twice running is kept decoded: a repaint asks for all its pixels.
    if (y == m_lastAsked)
        return FindIn(Row(y), x);
    m_lastAsked = y;
    // A row not read lately: from the last place taken up at or before x, which walks
    // at most the codes between two places.
    const auto [first, end] = EntriesOf(y);
    if (first == end)
        return std::nullopt;
    auto from = std::partition_point(first, end, [x](const Entry& e) { return e.x <= x; });
    if (from != first)
        --from;
    std::optional<RleCode> found;
    WalkRleRow(m_stream, RleState{from->pos, from->x, y}, [&](const RleCode& code) {
        if (code.kind != RleCode::Kind::Run || code.run.n == 0)
            return true;
        if (code.run.x <= x && x < code.run.x + code.run.n) {
            found = code;
            found->run.data = nullptr;
        }
        // Runs move right: once one ends past x, none later holds it.
        return code.run.x + code.run.n <= x;
    });
    return found;
}

std::optional<RleCode> RleIndex::CodeHolding(std::uint64_t at) const {
    // The row whose places begin last at or before the offset; a code holding it, if
    // any, is that row's.
    const auto it = std::partition_point(m_rows.begin(), m_rows.end(),
                                         [at](const Entry& e) { return e.pos <= at; });
    if (it == m_rows.begin())
        return std::nullopt;
    for (const RleCode& code : Row(std::prev(it)->y))
        if (at >= code.at && at - code.at < code.bytes)
            return code;
    return std::nullopt;
}

std::optional<std::uint32_t> RleIndex::ValueAt(std::int64_t x, std::int64_t y) const {
    const auto code = CodeAt(x, y);
    if (!code)
        return std::nullopt;
    return RunPixel(m_stream, *code, x - code->run.x);
}

} // namespace bmp
