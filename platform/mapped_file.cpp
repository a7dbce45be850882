#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

platform::MappedFile::MappedFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = fd < 0 ? errno : EINVAL;
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_size = static_cast<std::size_t>(st.st_size);
    if (m_size > 0) {
        void* p = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED)
            m_error = errno;
        else
            m_data = static_cast<const std::uint8_t*>(p);
    }
    ::close(fd);
}

platform::MappedFile::~MappedFile() {
    if (m_data != nullptr)
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
}
