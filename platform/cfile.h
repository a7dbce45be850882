// The framework's binary file over a POSIX descriptor.
#pragma once

#include "platform/cstring.h"
#include "platform/ctime.h"
#include "platform/exceptions.h"

struct CFileStatus {
    CTime m_ctime; // creation (birth) time, the last-write time where none is kept
    CTime m_mtime;
    CTime m_atime;
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0;
    char m_szFullName[4096] = {};
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws CFileException*.
    CFile(LPCTSTR path, UINT flags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // The path is the file system's bytes. Sharing modes are advisory on Linux and ignored.
    virtual BOOL Open(LPCTSTR path, UINT flags, CFileException* error = nullptr);
    virtual void Close();
    // Reads up to count bytes, fewer only at the end of the file; throws on an error.
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();

    BOOL GetStatus(CFileStatus& status) const;
    static BOOL GetStatus(LPCTSTR path, CFileStatus& status);

    CString GetFilePath() const { return m_strFileName; }
    bool IsOpen() const { return m_fd >= 0; }

protected:
    int m_fd = -1;
    CString m_strFileName;
};
