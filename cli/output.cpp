#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string ShownName(const std::string& name, std::FILE* stream) {
    if (::isatty(::fileno(stream)) == 0)
        return name;
    std::string shown;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        const char* named = c == 0x1B   ? "\\e"
                            : c == '\n' ? "\\n"
                            : c == '\t' ? "\\t"
                            : c == '\r' ? "\\r"
                                        : nullptr;
        if (named != nullptr) {
            shown += named;
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            shown += hex;
        } else {
            shown += ch;
        }
    }
    return shown;
}

std::size_t Utf8Length(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    // The range the second byte must lie in rules out overlong forms and the rest.
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    }
    if (len == 0 || n < len || p[1] < lo || p[1] > hi)
        return 0;
    for (std::size_t k = 2; k < len; ++k)
        if (p[k] < 0x80 || p[k] > 0xBF)
            return 0;
    return len;
}

std::string TextOf(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8Length(p + i, bytes.size() - i);
        if (len == 0 || p[i] < 0x20 || p[i] == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", p[i]);
            out += hex;
            ++i;
            continue;
        }
        out.append(bytes, i, len);
        i += len;
    }
    return out;
}

namespace {
int g_firstError = 0;
} // namespace

void FlushOutput() {
    if (std::fflush(stdout) != 0 && g_firstError == 0)
        g_firstError = errno;
}

int FinishOutput(int status, int failure) {
    FlushOutput();
    const bool lost = std::ferror(stdout) != 0;
    errno = 0;
    if (std::fclose(stdout) != 0 && g_firstError == 0)
        g_firstError = errno;
    if (!lost && g_firstError == 0)
        return status;
    const int error = g_firstError != 0 ? g_firstError : EIO;
    std::fprintf(stderr, "pixscope-cli: write error: %s\n", std::strerror(error));
    return failure;
}
