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

int FinishOutput(int status, int failure) {
    errno = 0;
    const bool lost = std::ferror(stdout) != 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stdout) == 0;
    const int error = !flushed ? flushError : errno != 0 ? errno : EIO;
    if (!lost && flushed && closed)
        return status;
    std::fprintf(stderr, "pixscope-cli: write error: %s\n", std::strerror(error));
    return failure;
}
