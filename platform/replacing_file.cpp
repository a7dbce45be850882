#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

CReplacingFile::~CReplacingFile() {
    Abort();
}

BOOL CReplacingFile::Open(LPCTSTR path, UINT /*flags*/, CFileException* error) {
    Abort();
    std::string target(path);
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".pixscope-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        ReportFileError(error, errno);
        return FALSE;
    }
    // The new file gets the old one's permissions, or those a newly created file gets.
    struct stat st {};
    mode_t mode = 0;
    if (::stat(path, &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    m_fd = fd;
    m_strFileName = path;
    m_target = target;
    m_temp = temp;
    return TRUE;
}

BOOL CReplacingFile::Commit() {
    if (m_fd < 0 || m_temp.empty())
        return FALSE;
    bool ok = ::fsync(m_fd) == 0;
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok)
        ::unlink(m_temp.c_str());
    m_temp.clear();
    return ok ? TRUE : FALSE;
}

void CReplacingFile::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}
