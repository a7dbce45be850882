#include "platform/gdi/rle_index.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace platform::gdi {

std::unique_ptr<RleIndex> RleIndex::Make(const BYTE* stream, std::size_t length, std::int64_t width,
                                         std::int64_t height, bool fourBit) {
    return Make(stream, length, length, width, height, fourBit);
}

std::unique_ptr<RleIndex> RleIndex::Make(const BYTE* stream, std::size_t held, std::size_t length,
                                         std::int64_t width, std::int64_t height, bool fourBit) {
    if (length > UINT32_MAX || width > UINT32_MAX || height > UINT32_MAX)
        return nullptr;
    try {
        std::unique_ptr<RleIndex> index(new RleIndex);
        index->m_stream = stream;
        index->m_length = length;
        index->m_held = std::min(held, length);
        index->m_width = width;
        index->m_height = height;
        index->m_fourBit = fourBit;
        WalkRle(stream, held, length, width, height, fourBit, [&](const RleCode& code) {
            const RleRun& run = code.run;
            if (code.kind != RleCode::Kind::Run || run.n == 0)
                return;
            // A literal run by the offset of its pixels, which may lie past `held`.
            const auto source =
                run.absolute ? static_cast<std::uint32_t>(code.at + 2) : std::uint32_t{run.value};
            index->m_runs.push_back(Run{static_cast<std::uint32_t>(run.y),
                                        static_cast<std::uint32_t>(run.x), source,
                                        static_cast<BYTE>(run.n), run.absolute});
        });
        index->m_runs.shrink_to_fit();
        return index;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool RleIndex::Describes(const BYTE* stream, std::size_t length, std::int64_t width,
                         std::int64_t height, bool fourBit) const {
    return stream == m_stream && length == m_length && width == m_width && height == m_height &&
           fourBit == m_fourBit;
}

RleRun RleIndex::Expand(const Run& r) const {
    return RleRun{r.y,
                  r.x,
                  r.n,
                  r.absolute,
                  m_fourBit,
                  r.absolute ? m_stream + r.source : nullptr,
                  r.absolute ? BYTE{0} : static_cast<BYTE>(r.source)};
}

std::vector<RleIndex::Run>::const_iterator RleIndex::FirstAtOrAfter(std::int64_t y,
                                                                    std::int64_t x) const {
    // The first run that ends after (y, x) in stream order.
    return std::partition_point(m_runs.begin(), m_runs.end(), [y, x](const Run& r) {
        return r.y < y || (r.y == y && r.x + std::int64_t{r.n} <= x);
    });
}

std::optional<BYTE> RleIndex::IndexAt(std::int64_t x, std::int64_t y) const {
    auto it = FirstAtOrAfter(y, x);
    if (it == m_runs.end() || it->y != y || it->x > x)
        return std::nullopt;
    const auto k = static_cast<std::uint64_t>(x - it->x);
    BYTE value = static_cast<BYTE>(it->source);
    if (it->absolute) {
        const std::uint64_t at = it->source + (m_fourBit ? k / 2 : k);
        value = at < m_held ? m_stream[at] : BYTE{0};
    }
    if (!m_fourBit)
        return value;
    // Four bits: an encoded run alternates its two nibbles, high first, as literal
    // pixels do within their bytes.
    return k % 2 == 0 ? static_cast<BYTE>(value >> 4) : static_cast<BYTE>(value & 0x0F);
}

void RleIndex::ForEachRunOn(const std::vector<std::int64_t>& rows,
                            const std::function<void(const RleRun&)>& onRun) const {
    for (std::int64_t y : rows) {
        for (auto it = FirstAtOrAfter(y, 0); it != m_runs.end() && it->y == y; ++it)
            onRun(Expand(*it));
    }
}

} // namespace platform::gdi
