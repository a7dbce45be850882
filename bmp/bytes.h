// Little-endian reads from a span that never leave it: bytes past its end count as zero,
// and Holds tells whether they are there.
#pragma once

#include "bmp/checked.h"

#include <cstdint>
#include <span>

namespace bmp {

class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint64_t Size() const { return m_bytes.size(); }
    bool Holds(std::uint64_t at, std::uint64_t size) const {
        return RangeInside(at, size, m_bytes.size());
    }
    std::uint8_t U8(std::uint64_t at) const { return at < m_bytes.size() ? m_bytes[at] : 0; }
    // size bytes from at, lowest first, as an unsigned number.
    std::uint64_t Unsigned(std::uint64_t at, std::uint32_t size) const {
        std::uint64_t v = 0;
        for (std::uint32_t i = size; i-- > 0;)
            v = v << 8 | (at + i >= at ? U8(at + i) : 0u);
        return v;
    }
    std::uint32_t U32(std::uint64_t at) const {
        return static_cast<std::uint32_t>(Unsigned(at, 4));
    }
    std::uint16_t U16(std::uint64_t at) const {
        return static_cast<std::uint16_t>(Unsigned(at, 2));
    }
    // The same, sign-extended from its size when isSigned.
    std::int64_t Value(std::uint64_t at, std::uint32_t size, bool isSigned) const {
        const std::uint64_t v = Unsigned(at, size);
        if (!isSigned || size >= 8)
            return static_cast<std::int64_t>(v);
        const std::uint64_t sign = std::uint64_t{1} << (8 * size - 1);
        return static_cast<std::int64_t>((v ^ sign) - sign);
    }
    const std::uint8_t* Data() const { return m_bytes.data(); }
    std::span<const std::uint8_t> Span() const { return m_bytes; }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace bmp
