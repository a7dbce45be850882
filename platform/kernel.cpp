#include "platform/kernel.h"

#include "platform/mapped_file.h"

#include "platform/allocator.h"
#include "platform/exceptions.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

struct KernelObject {
    enum class Kind { File, Mapping } kind;
    int fd = -1;
    bool writable = false;
    std::uint64_t size = 0; // mappings: the mapped length of the file
    ~KernelObject() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct GlobalBlock {
    void* data = nullptr;
    std::size_t size = 0;
    int locks = 0;
};

std::unordered_map<HANDLE, std::unique_ptr<KernelObject>>& Handles() {
    static std::unordered_map<HANDLE, std::unique_ptr<KernelObject>> handles;
    return handles;
}

std::map<const void*, std::size_t>& Views() {
    static std::map<const void*, std::size_t> views;
    return views;
}

std::unordered_map<HGLOBAL, GlobalBlock>& Globals() {
    static std::unordered_map<HGLOBAL, GlobalBlock> blocks;
    return blocks;
}

KernelObject* Lookup(HANDLE h, KernelObject::Kind kind) {
    auto it = Handles().find(h);
    return it != Handles().end() && it->second->kind == kind ? it->second.get() : nullptr;
}

HANDLE Register(std::unique_ptr<KernelObject> object) {
    HANDLE h = object.get();
    Handles().emplace(h, std::move(object));
    return h;
}

} // namespace

HANDLE CreateFile(LPCSTR path, DWORD access, DWORD /*share*/, void* /*security*/, DWORD disposition,
                  DWORD /*flags*/, HANDLE /*templateFile*/) {
    bool write = (access & GENERIC_WRITE) != 0;
    int mode = write ? ((access & GENERIC_READ) != 0 ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW:
        mode |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        mode |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        mode |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        mode |= O_TRUNC;
        break;
    default:
        break;
    }
    int fd = ::open(path, mode | O_CLOEXEC, 0666);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    auto object = std::make_unique<KernelObject>();
    object->kind = KernelObject::Kind::File;
    object->fd = fd;
    object->writable = write;
    return Register(std::move(object));
}

HANDLE CreateFileMapping(HANDLE file, void* /*security*/, DWORD protect, DWORD sizeHigh,
                         DWORD sizeLow, LPCSTR /*name*/) {
    KernelObject* f = Lookup(file, KernelObject::Kind::File);
    if (f == nullptr)
        return nullptr;
    bool writable = protect == PAGE_READWRITE;
    if (writable && !f->writable)
        return nullptr;
    struct stat st {};
    if (::fstat(f->fd, &st) != 0)
        return nullptr;
    std::uint64_t size = (std::uint64_t{sizeHigh} << 32) | sizeLow;
    if (size == 0)
        size = static_cast<std::uint64_t>(st.st_size);
    if (size == 0)
        return nullptr; // an empty file cannot be mapped
    // A mapping larger than its file grows the file, as on Windows, with its blocks
    // allocated now: a sparse file on a full disk would fault on the first write through
    // the view instead of failing here.
    if (size > static_cast<std::uint64_t>(st.st_size)) {
        if (!writable || size > static_cast<std::uint64_t>(INT64_MAX) ||
            ::posix_fallocate(f->fd, 0, static_cast<off_t>(size)) != 0)
            return nullptr;
    }
    int fd = ::dup(f->fd);
    if (fd < 0)
        return nullptr;
    auto object = std::make_unique<KernelObject>();
    object->kind = KernelObject::Kind::Mapping;
    object->fd = fd;
    object->writable = writable;
    object->size = size;
    return Register(std::move(object));
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                     std::size_t bytes) {
    KernelObject* m = Lookup(mapping, KernelObject::Kind::Mapping);
    if (m == nullptr)
        return nullptr;
    bool write = (access & FILE_MAP_WRITE) != 0;
    if (write && !m->writable)
        return nullptr;
    std::uint64_t offset = (std::uint64_t{offsetHigh} << 32) | offsetLow;
    if (offset >= m->size || offset % static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) != 0)
        return nullptr;
    std::uint64_t length = bytes == 0 ? m->size - offset : bytes;
    if (length > m->size - offset)
        return nullptr;
    void* view = ::mmap(nullptr, length, PROT_READ | (write ? PROT_WRITE : 0), MAP_SHARED, m->fd,
                        static_cast<off_t>(offset));
    if (view == MAP_FAILED)
        return nullptr;
    Views()[view] = length;
    platform::GuardMapping(view, length);
    return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
    auto it = Views().find(view);
    if (it == Views().end())
        return FALSE;
    platform::UnguardMapping(view);
    ::munmap(const_cast<void*>(view), it->second);
    Views().erase(it);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    return Handles().erase(handle) != 0 ? TRUE : FALSE;
}

HGLOBAL GlobalAlloc(UINT /*flags*/, std::size_t bytes) {
    void* data = nullptr;
    try {
        data = platform::AfxAllocZeroed(bytes);
    } catch (CMemoryException* e) {
        e->Delete();
        return nullptr;
    }
    // The handle is a separate token, so that a handle is never mistaken for its memory.
    auto* token = new char;
    Globals()[token] = GlobalBlock{data, bytes, 0};
    return token;
}

LPVOID GlobalLock(HGLOBAL mem) {
    auto it = Globals().find(mem);
    if (it == Globals().end())
        return nullptr;
    ++it->second.locks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    auto it = Globals().find(mem);
    if (it == Globals().end() || it->second.locks == 0)
        return FALSE;
    return --it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    auto it = Globals().find(mem);
    if (it == Globals().end())
        return mem;
    platform::AfxFreeBlock(it->second.data);
    Globals().erase(it);
    delete static_cast<char*>(mem);
    return nullptr;
}

std::size_t GlobalSize(HGLOBAL mem) {
    auto it = Globals().find(mem);
    return it != Globals().end() ? it->second.size : 0;
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
    KernelObject* f = Lookup(file, KernelObject::Kind::File);
    struct stat st {};
    if (f == nullptr || ::fstat(f->fd, &st) != 0) {
        if (high != nullptr)
            *high = 0;
        return 0xFFFFFFFF;
    }
    auto size = static_cast<std::uint64_t>(st.st_size);
    if (high != nullptr)
        *high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}
