#include "platform/exceptions.h"

#include <cerrno>

void AfxThrowMemoryException() {
    throw new CMemoryException();
}

void AfxThrowFileException(int cause, LONG osError) {
    throw new CFileException(cause, osError);
}

int CFileExceptionCauseFromErrno(int err) {
    switch (err) {
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return CFileException::badPath;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return CFileException::accessDenied;
    case ENOSPC:
        return CFileException::diskFull;
    case EIO:
        return CFileException::hardIO;
    case ESPIPE:
    case EINVAL:
        return CFileException::badSeek;
    default:
        return CFileException::genericException;
    }
}

void ReportFileError(CFileException* error, int err) {
    if (error != nullptr) {
        error->m_cause = CFileExceptionCauseFromErrno(err);
        error->m_lOsError = err;
    }
}
