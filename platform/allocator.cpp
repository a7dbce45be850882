#include "platform/allocator.h"

#include "platform/exceptions.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

struct Mapping {
    void* base;
    std::size_t length;
};

// Large blocks are few; a map from the block to its mapping lets small blocks stay plain
// heap blocks without any header in front of them.
std::mutex& LargeLock() {
    static std::mutex m;
    return m;
}
std::unordered_map<void*, Mapping>& LargeBlocks() {
    static std::unordered_map<void*, Mapping> blocks;
    return blocks;
}

void* AllocLarge(std::size_t size) {
    std::size_t rounded = 0;
    std::size_t length = 0;
    if (__builtin_add_overflow(size, kHugePage - 1, &rounded) ||
        __builtin_add_overflow(rounded & ~(kHugePage - 1), kHugePage, &length))
        AfxThrowMemoryException();
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED)
        AfxThrowMemoryException();
    auto addr = reinterpret_cast<std::uintptr_t>(base);
    auto aligned = (addr + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, rounded & ~(kHugePage - 1), MADV_HUGEPAGE);
    try {
        std::lock_guard<std::mutex> lock(LargeLock());
        LargeBlocks().emplace(block, Mapping{base, length});
    } catch (...) {
        munmap(base, length);
        AfxThrowMemoryException();
    }
    return block;
}

} // namespace

void* AfxAllocZeroed(std::size_t size) {
    if (size >= kLargeBlockThreshold)
        return AllocLarge(size);
    void* p = std::calloc(size == 0 ? 1 : size, 1);
    if (p == nullptr)
        AfxThrowMemoryException();
    return p;
}

void* AfxAllocCopy(const void* source, std::size_t size) {
    void* p = AfxAllocZeroed(size);
    if (size != 0)
        std::memcpy(p, source, size);
    return p;
}

void AfxFreeBlock(void* p) {
    if (p == nullptr)
        return;
    {
        std::lock_guard<std::mutex> lock(LargeLock());
        auto it = LargeBlocks().find(p);
        if (it != LargeBlocks().end()) {
            Mapping m = it->second;
            LargeBlocks().erase(it);
            munmap(m.base, m.length);
            return;
        }
    }
    std::free(p);
}

} // namespace platform
