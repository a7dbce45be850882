// How many colour-table entries a header has. Two rules meet in the format:
//  - a reader's: biClrUsed, or 2^bits when it is 0, and never more than 2^bits used;
//  - the 40-byte header's writers' and loaders': biClrUsed whatever the depth, else 2,
//    16 or 256 for 1, 4 and 8 bits and none for any other depth.
#pragma once

#include <algorithm>
#include <cstdint>

namespace bmp {

// The entries a depth can index: 2^bits up to 8 bits, none above.
constexpr std::uint64_t FullTable(int bits) {
    return bits >= 0 && bits <= 8 ? std::uint64_t{1} << bits : 0;
}

// What the header declares: biClrUsed, or the depth's full table when that is 0.
constexpr std::uint64_t DeclaredEntries(int bits, std::uint64_t clrUsed) {
    return clrUsed != 0 ? clrUsed : FullTable(bits);
}

// What a reader takes of the declared entries: no more than the depth can index.
constexpr std::uint64_t UsedEntries(int bits, std::uint64_t declared) {
    const std::uint64_t full = FullTable(bits);
    return full != 0 ? std::min(declared, full) : declared;
}

// The depths the 40-byte header was made for, and their tables: 2, 16 and 256 for 1, 4
// and 8 bits, none for 16, 24 and 32.
constexpr bool IsClassicDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}
constexpr std::uint64_t ClassicTable(int bits) {
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

// The loaders' count: biClrUsed whatever the depth, else the classic table.
constexpr std::uint64_t LoaderEntries(int bits, std::uint64_t clrUsed) {
    return clrUsed != 0 ? clrUsed : ClassicTable(bits);
}

} // namespace bmp
