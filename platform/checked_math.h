// Checked size arithmetic for every stride, size and offset that comes from a file.
//
// Each helper returns false instead of wrapping, so a caller can refuse the input.
// Bounds are written as `len <= size - off` after `off <= size`, which cannot overflow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

template <typename T> [[nodiscard]] constexpr bool CheckedMul(T a, T b, T& out) {
    return !__builtin_mul_overflow(a, b, &out);
}

template <typename T> [[nodiscard]] constexpr bool CheckedAdd(T a, T b, T& out) {
    return !__builtin_add_overflow(a, b, &out);
}

// True when [off, off + len) lies inside a block of `size` bytes.
[[nodiscard]] constexpr bool RangeInside(std::uint64_t off, std::uint64_t len, std::uint64_t size) {
    return off <= size && len <= size - off;
}

} // namespace platform
