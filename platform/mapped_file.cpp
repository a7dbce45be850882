#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

// Fixed slots, so that the signal handler reads them without locks or allocation.
struct Guard {
    volatile std::uintptr_t start;
    volatile std::uintptr_t end;
    volatile std::sig_atomic_t changed;
};
constexpr int kGuards = 16;
Guard g_guards[kGuards];

extern "C" void OnBusError(int sig, siginfo_t* info, void* /*context*/) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guard& g : g_guards) {
        if (g.start != 0 && at >= g.start && at < g.end) {
            const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
            const std::uintptr_t from = at & ~(page - 1);
            // The file ends before this page now: zeros from here on, and the reader's
            // instruction runs again on them.
            if (::mmap(reinterpret_cast<void*>(from), g.end - from, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
                g.changed = 1;
                return;
            }
        }
    }
    // Not ours: the fault ends the program as it would have.
    std::signal(sig, SIG_DFL);
}

void InstallHandler() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    (void)installed;
}

} // namespace

void platform::GuardMapping(const void* start, std::size_t size) {
    InstallHandler();
    for (Guard& g : g_guards) {
        if (g.start == 0) {
            g.changed = 0;
            g.end = reinterpret_cast<std::uintptr_t>(start) + size;
            g.start = reinterpret_cast<std::uintptr_t>(start);
            return;
        }
    }
}

void platform::UnguardMapping(const void* start) {
    for (Guard& g : g_guards) {
        if (g.start == reinterpret_cast<std::uintptr_t>(start))
            g.start = 0;
    }
}

bool platform::MappingChanged(const void* start) {
    for (const Guard& g : g_guards) {
        if (g.start == reinterpret_cast<std::uintptr_t>(start))
            return g.changed != 0;
    }
    return false;
}

platform::MappedFile::MappedFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = fd < 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        if (fd >= 0)
            ::close(fd);
        return;
    }
    m_size = static_cast<std::size_t>(st.st_size);
    if (m_size > 0) {
        void* p = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            m_error = errno;
        } else {
            m_data = static_cast<const std::uint8_t*>(p);
            GuardMapping(m_data, m_size);
        }
    }
    ::close(fd);
}

platform::MappedFile::~MappedFile() {
    if (m_data != nullptr) {
        UnguardMapping(m_data);
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
}

bool platform::MappedFile::Changed() const {
    return m_data != nullptr && MappingChanged(m_data);
}
