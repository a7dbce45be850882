#include "platform/cstring.h"

#include "platform/codepage.h"

#include <cstdio>

CString CString::FromUtf8(std::string_view utf8) {
    return CString(platform::Utf8ToGbk(utf8));
}

std::string CString::ToUtf8() const {
    return platform::GbkToUtf8(m_bytes);
}

CString CString::Left(int count) const {
    return Mid(0, count);
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    size_t start = first < 0 ? 0 : static_cast<size_t>(first);
    if (start >= m_bytes.size() || count <= 0)
        return {};
    return CString(m_bytes.substr(start, static_cast<size_t>(count)));
}

void CString::Format(LPCTSTR format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(LPCTSTR format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    int needed = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (needed < 0) {
        m_bytes.clear();
        return;
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    m_bytes = std::move(out);
}
