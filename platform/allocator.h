// The framework's allocator: never returns null, raises CMemoryException instead.
//
// Every block comes back zero-filled. Large blocks are anonymous mappings aligned to
// 2 MiB with transparent huge pages requested: the pages stay untouched (and free)
// until written, so a file that declares gigabytes of pixels it does not hold costs
// only what is really read, and reading a large file faults in huge pages instead of
// one 4 KiB page at a time.
#pragma once

#include <cstddef>

namespace platform {

// Zeroed block of at least one byte; throws CMemoryException* when it can't be had.
void* AfxAllocZeroed(std::size_t size);
// A block holding a copy of size bytes at source.
void* AfxAllocCopy(const void* source, std::size_t size);
// Frees a block of AfxAllocZeroed; null is ignored.
void AfxFreeBlock(void* p);

// The size from which blocks become their own mapping.
inline constexpr std::size_t kLargeBlockThreshold = std::size_t{1} << 20;

} // namespace platform
