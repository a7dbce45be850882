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
    return Index(stream, held, length, width, height, fourBit ? 4 : 8);
}

std::unique_ptr<RleIndex> RleIndex::Make24(const BYTE* stream, std::size_t held, std::size_t length,
                                           std::int64_t width, std::int64_t height) {
    return Index(stream, held, length, width, height, 24);
}

std::unique_ptr<RleIndex> RleIndex::Index(const BYTE* stream, std::size_t held, std::size_t length,
                                          std::int64_t width, std::int64_t height, int bits) {
    if (length > UINT32_MAX || width > UINT32_MAX || height > UINT32_MAX)
        return nullptr;
    try {
        std::unique_ptr<RleIndex> index(new RleIndex);
        index->m_stream = stream;
        index->m_length = length;
        index->m_held = std::min(held, length);
        index->m_width = width;
        index->m_height = height;
        index->m_bits = bits;
        const auto onCode = [&](const RleCode& code) {
            const RleRun& run = code.run;
            if (code.kind != RleCode::Kind::Run || run.n == 0)
                return;
            // Literal pixels and RLE24 colours by their offset, which may lie past `held`.
            const auto source = run.absolute ? static_cast<std::uint32_t>(code.at + 2)
                                : run.bgr    ? static_cast<std::uint32_t>(code.at + 1)
                                             : std::uint32_t{run.value};
            index->m_runs.push_back(Run{static_cast<std::uint32_t>(run.y),
                                        static_cast<std::uint32_t>(run.x), source,
                                        static_cast<BYTE>(run.n), run.absolute});
        };
        WalkRleOfDepth(stream, held, length, width, height, bits, onCode);
        index->m_runs.shrink_to_fit();
        return index;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool RleIndex::Describes(const BYTE* stream, std::size_t length, std::int64_t width,
                         std::int64_t height, bool fourBit) const {
    return stream == m_stream && length == m_length && width == m_width && height == m_height &&
           (fourBit ? 4 : 8) == m_bits;
}

RleRun RleIndex::Expand(const Run& r) const {
    return RleRun{r.y,
                  r.x,
                  r.n,
                  r.absolute,
                  m_bits == 4,
                  r.absolute || m_bits == 24 ? m_stream + r.source : nullptr,
                  r.absolute || m_bits == 24 ? BYTE{0} : static_cast<BYTE>(r.source),
                  m_bits == 24};
}

std::vector<RleIndex::Run>::const_iterator RleIndex::FirstAtOrAfter(std::int64_t y,
                                                                    std::int64_t x) const {
    // The first run that ends after (y, x) in stream order.
    return std::partition_point(m_runs.begin(), m_runs.end(), [y, x](const Run& r) {
        return r.y < y || (r.y == y && r.x + std::int64_t{r.n} <= x);
    });
}

std::optional<std::vector<RleIndex::Run>::const_iterator> RleIndex::RunAt(std::int64_t x,
                                                                          std::int64_t y) const {
    auto it = FirstAtOrAfter(y, x);
    if (it == m_runs.end() || it->y != y || it->x > x)
        return std::nullopt;
    return it;
}

std::optional<std::uint32_t> RleIndex::BgrAt(std::int64_t x, std::int64_t y) const {
    const auto found = RunAt(x, y);
    if (!found || m_bits != 24)
        return std::nullopt;
    const auto it = *found;
    const std::uint64_t at = it->source + (it->absolute ? 3 * std::uint64_t(x - it->x) : 0);
    auto byte = [&](std::uint64_t i) { return i < m_held ? std::uint32_t{m_stream[i]} : 0u; };
    return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16;
}

std::optional<BYTE> RleIndex::IndexAt(std::int64_t x, std::int64_t y) const {
    const auto found = RunAt(x, y);
    if (!found || m_bits == 24)
        return std::nullopt;
    const auto it = *found;
    const auto k = static_cast<std::uint64_t>(x - it->x);
    BYTE value = static_cast<BYTE>(it->source);
    if (it->absolute) {
        const std::uint64_t at = it->source + (m_bits == 4 ? k / 2 : k);
        value = at < m_held ? m_stream[at] : BYTE{0};
    }
    if (m_bits != 4)
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
