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
