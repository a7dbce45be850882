// The framework's time: seconds since 1970, formatted in local time.
#pragma once

#include "platform/cstring.h"

#include <ctime>

class CTime {
public:
    CTime() = default;
    explicit CTime(std::time_t t) : m_time(t) {}

    static CTime GetCurrentTime() { return CTime(std::time(nullptr)); }
    std::time_t GetTime() const { return m_time; }

    // strftime on the code page 936 format bytes: a trail byte is never '%'.
    CString Format(LPCTSTR format) const;

    friend bool operator==(const CTime& a, const CTime& b) { return a.m_time == b.m_time; }

private:
    std::time_t m_time = 0;
};
