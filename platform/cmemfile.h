// The framework's file in memory: reads from, or grows, a byte buffer.
#pragma once

#include "platform/cfile.h"

#include <vector>

class CMemFile : public CFile {
public:
    CMemFile() = default;
    // A file holding a copy of the given bytes, positioned at its start.
    CMemFile(const BYTE* data, UINT size) : m_data(data, data + size) {}

    BOOL Open(LPCTSTR, UINT, CFileException* = nullptr) override { return FALSE; }
    void Close() override {}
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetLength() const override { return m_data.size(); }
    ULONGLONG GetPosition() const override { return m_pos; }
    void Flush() override {}

    const std::vector<BYTE>& Data() const { return m_data; }

private:
    std::vector<BYTE> m_data;
    size_t m_pos = 0;
};
