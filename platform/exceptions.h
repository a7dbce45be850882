// The framework's exceptions. They are thrown as pointers and deleted by the handler
// that catches them (`e->Delete()`), as the framework's code expects.
#pragma once

#include "platform/wintypes.h"

class CException {
public:
    virtual ~CException() = default;
    void Delete() { delete this; }

protected:
    CException() = default;
};

class CMemoryException : public CException {};

class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG osError = -1)
        : m_cause(cause), m_lOsError(osError) {}

    int m_cause;
    LONG m_lOsError;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1);
// Maps an errno value to the cause the framework would give it.
int CFileExceptionCauseFromErrno(int err);
// Records an errno value in an exception object the caller passed, if it passed one.
void ReportFileError(CFileException* error, int err);
