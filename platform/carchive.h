// The framework's archive: a buffered stream of values and objects over a CFile.
//
// Objects are written as the classic framework lays them out: a null pointer as the
// tag 0; a class seen for the first time as 0xFFFF, its schema (WORD), the length of
// its name (WORD) and the name, then the object's own Serialize; a class seen before
// as 0x8000 | its index; an object stored before as its index. Loading creates each
// object from its class name.
#pragma once

#include "platform/cfile.h"
#include "platform/cobject.h"

#include <map>
#include <vector>

class CArchiveException : public CException {
public:
    enum Cause {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };
    explicit CArchiveException(int cause = none) : m_cause(cause) {}
    int m_cause;
};

class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };

    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    CFile* GetFile() const { return m_pFile; }
    // Storing: writes what is buffered. Loading: puts the file back where the archive
    // has got to, dropping what it read ahead.
    void Flush();
    void Close();

    void Write(const void* data, UINT count);
    // Fills count bytes or throws CArchiveException(endOfFile).
    void Read(void* data, UINT count);

    void WriteObject(const CObject* object);
    // The next object, checked to be of the given class when one is named.
    CObject* ReadObject(const CRuntimeClass* expected);

    CArchive& operator<<(BYTE v) { return Put(v); }
    CArchive& operator<<(WORD v) { return Put(v); }
    CArchive& operator<<(DWORD v) { return Put(v); }
    CArchive& operator<<(LONG v) { return Put(v); }
    CArchive& operator<<(const CObject* object) {
        WriteObject(object);
        return *this;
    }
    CArchive& operator>>(BYTE& v) { return Get(v); }
    CArchive& operator>>(WORD& v) { return Get(v); }
    CArchive& operator>>(DWORD& v) { return Get(v); }
    CArchive& operator>>(LONG& v) { return Get(v); }

private:
    template <typename T> CArchive& Put(T v) {
        Write(&v, sizeof v);
        return *this;
    }
    template <typename T> CArchive& Get(T& v) {
        Read(&v, sizeof v);
        return *this;
    }

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_buffer;
    size_t m_pos = 0; // storing: bytes buffered; loading: bytes consumed
    size_t m_end = 0; // loading: bytes in the buffer
    // Storing: what has an index already. Loading: the index's class or object.
    std::map<const void*, WORD> m_storedIndex;
    std::vector<const void*> m_loaded{nullptr};
    std::vector<bool> m_loadedIsClass{false};
    WORD m_nextIndex = 1;
};

// Declares the typed extraction operator that a serialisable class comes with.
#define DECLARE_ARCHIVE_EXTRACTION(name)                                                           \
    inline CArchive& operator>>(CArchive& ar, name*& object) {                                     \
        object = static_cast<name*>(ar.ReadObject(RUNTIME_CLASS(name)));                           \
        return ar;                                                                                 \
    }
