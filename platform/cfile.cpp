#include "platform/cfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

[[noreturn]] void ThrowErrno(int err) {
    AfxThrowFileException(CFileExceptionCauseFromErrno(err), err);
}

int OpenFlagsFor(UINT flags) {
    int mode = O_RDONLY;
    if ((flags & CFile::modeReadWrite) != 0)
        mode = O_RDWR;
    else if ((flags & CFile::modeWrite) != 0)
        mode = O_WRONLY;
    if ((flags & CFile::modeCreate) != 0) {
        mode |= O_CREAT;
        if ((flags & CFile::modeNoTruncate) == 0)
            mode |= O_TRUNC;
    }
    return mode | O_CLOEXEC;
}

} // namespace

CFile::CFile(LPCTSTR path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError);
}

CFile::~CFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

BOOL CFile::Open(LPCTSTR path, UINT flags, CFileException* error) {
    if (m_fd >= 0)
        Close();
    // Without blocking, so that a FIFO or a device can't hold the program; only a
    // regular file is taken.
    int fd = ::open(path, OpenFlagsFor(flags) | O_NONBLOCK, 0666);
    if (fd < 0) {
        ReportFileError(error, errno == ENXIO ? EINVAL : errno);
        return FALSE;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        ReportFileError(error, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return FALSE;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_strFileName = path;
    return TRUE;
}

void CFile::Close() {
    if (m_fd >= 0) {
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            ThrowErrno(errno);
    }
}

UINT CFile::Read(void* buffer, UINT count) {
    auto* out = static_cast<char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    const auto* in = static_cast<const char*>(buffer);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::write(m_fd, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno);
        }
        if (n == 0)
            AfxThrowFileException(CFileException::diskFull, ENOSPC);
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    off_t pos = ::lseek(m_fd, offset, whence);
    if (pos < 0)
        ThrowErrno(errno);
    return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        ThrowErrno(errno);
    return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0)
        ThrowErrno(errno);
    return static_cast<ULONGLONG>(pos);
}

void CFile::Flush() {
    if (m_fd >= 0 && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        ThrowErrno(errno);
}

namespace {

BOOL StatusOf(int dirfd, const char* path, int flags, const char* name, CFileStatus& status) {
    struct statx sx {};
    if (::statx(dirfd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return FALSE;
    status.m_size = sx.stx_size;
    status.m_mtime = CTime(static_cast<std::time_t>(sx.stx_mtime.tv_sec));
    // A time the file system does not keep (or keeps as zero) shows the last-write time.
    bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0;
    status.m_ctime =
        hasBirth ? CTime(static_cast<std::time_t>(sx.stx_btime.tv_sec)) : status.m_mtime;
    status.m_atime = sx.stx_atime.tv_sec != 0 ? CTime(static_cast<std::time_t>(sx.stx_atime.tv_sec))
                                              : status.m_mtime;
    status.m_attribute = (sx.stx_mode & S_IWUSR) == 0 ? 0x01 : 0x00;
    std::strncpy(status.m_szFullName, name, sizeof status.m_szFullName - 1);
    status.m_szFullName[sizeof status.m_szFullName - 1] = '\0';
    return TRUE;
}

} // namespace

// An open file's status is the open file's, whatever its name means by now.
BOOL CFile::GetStatus(CFileStatus& status) const {
    if (m_fd < 0)
        return GetStatus(m_strFileName, status);
    return StatusOf(m_fd, "", AT_EMPTY_PATH, m_strFileName, status);
}

BOOL CFile::GetStatus(LPCTSTR path, CFileStatus& status) {
    return StatusOf(AT_FDCWD, path, 0, path, status);
}
