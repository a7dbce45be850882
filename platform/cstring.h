// The framework's string: a byte string in code page 936. Lengths count bytes, so a
// Chinese character counts two. Conversion to and from UTF-8 happens only at the edges.
#pragma once

#include "platform/wintypes.h"

#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* text)
        : m_bytes(text != nullptr ? text : "") {} // NOLINT: as the framework's
    CString(const char* bytes, int length) : m_bytes(bytes, length > 0 ? length : 0) {}
    explicit CString(std::string bytes) : m_bytes(std::move(bytes)) {}

    static CString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;

    int GetLength() const { return static_cast<int>(m_bytes.size()); }
    BOOL IsEmpty() const { return m_bytes.empty(); }
    void Empty() { m_bytes.clear(); }
    char GetAt(int i) const { return m_bytes.at(static_cast<size_t>(i)); }

    operator LPCTSTR() const { return m_bytes.c_str(); } // NOLINT: as the framework's
    const std::string& Bytes() const { return m_bytes; }

    CString Left(int count) const;
    CString Mid(int first, int count) const;
    CString Mid(int first) const;

    void Format(LPCTSTR format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCTSTR format, va_list args);

    CString& operator+=(const CString& s) {
        m_bytes += s.m_bytes;
        return *this;
    }
    CString& operator+=(LPCTSTR s) {
        m_bytes += s;
        return *this;
    }
    CString& operator+=(char c) {
        m_bytes += c;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend CString operator+(CString a, LPCTSTR b) { return a += b; }
    friend CString operator+(LPCTSTR a, const CString& b) { return CString(a) += b; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_bytes == b.m_bytes; }
    friend bool operator==(const CString& a, LPCTSTR b) { return a.m_bytes == b; }

private:
    std::string m_bytes;
};
