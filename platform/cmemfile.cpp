#include "platform/cmemfile.h"

#include <algorithm>
#include <cstring>

UINT CMemFile::Read(void* buffer, UINT count) {
    size_t n = m_pos < m_data.size() ? std::min<size_t>(count, m_data.size() - m_pos) : 0;
    if (n > 0)
        std::memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
    if (count == 0)
        return;
    try {
        if (m_data.size() < m_pos + count)
            m_data.resize(m_pos + count);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    std::memcpy(m_data.data() + m_pos, buffer, count);
    m_pos += count;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
    LONGLONG base = from == current ? static_cast<LONGLONG>(m_pos)
                    : from == end   ? static_cast<LONGLONG>(m_data.size())
                                    : 0;
    if (offset < -base)
        AfxThrowFileException(CFileException::badSeek);
    m_pos = static_cast<size_t>(base + offset);
    return m_pos;
}
