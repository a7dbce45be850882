// A file's bytes, mapped read-only: a checker touches only the pages it reads, so a
// large file costs what is looked at.
//
// A mapped file that another program shortens would kill the reader with SIGBUS at
// the first page past its new end. Mappings made here are guarded: such pages read as
// zeros instead, and the mapping says it changed, so that the caller can say so and go
// on with its next file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    int Error() const { return m_error; }
    std::span<const std::uint8_t> Bytes() const {
        return m_data != nullptr ? std::span(m_data, m_size) : std::span<const std::uint8_t>();
    }
    // Whether the file was shortened while its bytes were read: what was read past its
    // new end was zeros, not the file.
    bool Changed() const;

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    int m_error = 0;
};

// The guard, for other mappings of files: between these calls a fault inside
// [start, start + size) fills the rest of the range with zero pages.
void GuardMapping(const void* start, std::size_t size);
void UnguardMapping(const void* start);
bool MappingChanged(const void* start);

} // namespace platform
