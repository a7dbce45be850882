// Checked arithmetic for every stride, size and offset that comes from a file, and the
// one cap on what a file may make the program allocate.
//
// Each helper returns false instead of wrapping, so a caller can refuse the input.
// Bounds are written as `len <= size - off` after `off <= size`, which cannot overflow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bmp {

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

// The most a file's figures may make us allocate in one block: a pixel array or header
// block of a 32-bit size field, a decoded picture, an index. Anything larger is refused
// before it is asked for, whatever memory the machine has.
inline constexpr std::uint64_t kAllocationCap = std::uint64_t{4} << 30;

// a × b bytes, when that product is within the cap.
[[nodiscard]] constexpr bool AllocationSize(std::uint64_t a, std::uint64_t b, std::uint64_t& out) {
    return CheckedMul(a, b, out) && out <= kAllocationCap;
}

} // namespace bmp
