#include "platform/replacing_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// The file a chain of symbolic links ends in (which need not exist yet), or false with
// errno set.
bool FollowLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::vector<char> text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n < 0)
            return false;
        std::string link(text.data(), static_cast<size_t>(n));
        path = link.front() == '/' ? link : DirectoryOf(path) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

bool WriteAll(int fd, const char* p, size_t n, off_t at) {
    while (n > 0) {
        ssize_t w = ::pwrite(fd, p, n, at);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
        at += w;
    }
    return true;
}

// The temporary files of the saves in progress, where a signal handler can read them
// without allocating.
constexpr int kPendingSlots = 8;
char g_pending[kPendingSlots][PATH_MAX];
volatile std::sig_atomic_t g_pendingUsed[kPendingSlots];

void Pend(const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX)
        return;
    for (int i = 0; i < kPendingSlots; ++i) {
        if (g_pendingUsed[i] == 0) {
            std::memcpy(g_pending[i], path.c_str(), path.size() + 1);
            g_pendingUsed[i] = 1;
            return;
        }
    }
}

void Unpend(const std::string& path) {
    for (int i = 0; i < kPendingSlots; ++i) {
        if (g_pendingUsed[i] != 0 && path == g_pending[i])
            g_pendingUsed[i] = 0;
    }
}

extern "C" void RemovePendingAndEnd(int sig) {
    for (int i = 0; i < kPendingSlots; ++i) {
        if (g_pendingUsed[i] != 0)
            ::unlink(g_pending[i]);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

void platform::RemoveTemporaryFilesOnSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, RemovePendingAndEnd);
}

CReplacingFile::~CReplacingFile() {
    Abort();
}

BOOL CReplacingFile::Open(LPCTSTR path, UINT /*flags*/, CFileException* error) {
    Abort();
    auto fail = [error](int err) {
        ReportFileError(error, err);
        return FALSE;
    };
    std::string target(path);
    if (!FollowLinks(target))
        return fail(errno);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists && S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return fail(EINVAL); // a device or a FIFO: renaming over it would break it
    if (exists && (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return fail(EACCES);

    std::string temp =
        DirectoryOf(target) + "/." +
        target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1) +
        ".pixscope-XXXXXX";
    int fd = ::mkstemp(temp.data());
    bool inPlace = exists && st.st_nlink > 1;
    if (fd < 0) {
        // A writable file in a folder the user may not add to is still written, in place.
        if (!exists)
            return fail(errno);
        fd = ::memfd_create("pixscope-save", MFD_CLOEXEC);
        if (fd < 0)
            return fail(errno);
        temp.clear();
        inPlace = true;
    } else if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
        // A new file the user cannot give the old owner and group would take them away.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0)
            inPlace = true;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    m_fd = fd;
    m_strFileName = path;
    m_target = target;
    m_temp = temp;
    m_inPlace = inPlace;
    Pend(m_temp);
    return TRUE;
}

BOOL CReplacingFile::Commit() {
    if (m_fd < 0)
        return FALSE;
    bool ok = false;
    if (m_inPlace) {
        ok = CommitInPlace() != FALSE;
        ::close(m_fd);
    } else {
        ok = ::fsync(m_fd) == 0;
        ok = ::close(m_fd) == 0 && ok;
        ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    }
    m_fd = -1;
    if (!m_temp.empty() && (m_inPlace || !ok))
        ::unlink(m_temp.c_str());
    Unpend(m_temp);
    m_temp.clear();
    return ok ? TRUE : FALSE;
}

// Every block the copy will write is reserved first, the holes of a sparse file too: a
// full disk fails there, while the target is whole. The part past the old end is
// written next, so that a size limit fails before an old byte changes, and cutting the
// file back leaves the old content whole. Only then is the old part overwritten, from a
// copy of it kept aside to be put back should a write fail; and the signals that end
// the program wait meanwhile, so that the file is old or new, never both.
BOOL CReplacingFile::CommitInPlace() {
    sigset_t ending, before;
    sigemptyset(&ending);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ})
        sigaddset(&ending, sig);
    pthread_sigmask(SIG_BLOCK, &ending, &before);
    const BOOL ok = CopyInPlace();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return ok;
}

BOOL CReplacingFile::CopyInPlace() {
    off_t length = ::lseek(m_fd, 0, SEEK_END);
    int out = ::open(m_target.c_str(), O_RDWR | O_CLOEXEC);
    int saved = ::memfd_create("pixscope-old", MFD_CLOEXEC);
    struct stat st {};
    auto done = [&](bool ok) {
        if (out >= 0)
            ok = ::close(out) == 0 && ok;
        if (saved >= 0)
            ::close(saved);
        return ok ? TRUE : FALSE;
    };
    if (length < 0 || out < 0 || saved < 0 || ::fstat(out, &st) != 0)
        return done(false);
    // A file system that can't reserve (EOPNOTSUPP) has no holes to fill either.
    if (length > 0 && ::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, length) != 0 && errno != EOPNOTSUPP)
        return done(false);
    std::vector<char> chunk(std::size_t{1} << 20);
    auto copy = [&](int from, int to, off_t start, off_t end) {
        for (off_t at = start; at < end;) {
            ssize_t n = ::pread(from, chunk.data(),
                                static_cast<size_t>(std::min<off_t>(end - at, chunk.size())), at);
            if (n <= 0 || !WriteAll(to, chunk.data(), static_cast<size_t>(n), at))
                return false;
            at += n;
        }
        return true;
    };
    const off_t common = std::min(length, st.st_size);
    if (!copy(out, saved, 0, common))
        return done(false);
    if (!copy(m_fd, out, common, length) || ::fsync(out) != 0) {
        ::ftruncate(out, st.st_size);
        return done(false);
    }
    if (!copy(m_fd, out, 0, common) || ::ftruncate(out, length) != 0 || ::fsync(out) != 0) {
        // What the copy overwrote goes back, and the file its old length.
        copy(saved, out, 0, common);
        ::ftruncate(out, st.st_size);
        ::fsync(out);
        return done(false);
    }
    return done(true);
}

void CReplacingFile::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        Unpend(m_temp);
        m_temp.clear();
    }
}
