// A file's bytes, mapped read-only: a checker touches only the pages it reads, so a
// large file costs what is looked at.
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

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    int m_error = 0;
};

} // namespace platform
