#include "platform/ctime.h"

#include <string>

CString CTime::Format(LPCTSTR format) const {
    std::tm local{};
    if (localtime_r(&m_time, &local) == nullptr)
        return {};
    std::string buf(256, '\0');
    for (;;) {
        size_t n = std::strftime(buf.data(), buf.size(), format, &local);
        // strftime gives 0 both for "too small" and for an empty result.
        if (n > 0 || buf.size() > 64 * 1024 || format[0] == '\0') {
            buf.resize(n);
            return CString(std::move(buf));
        }
        buf.resize(buf.size() * 4);
    }
}
