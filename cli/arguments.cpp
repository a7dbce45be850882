#include "cli/arguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

std::optional<long long> ParseInteger(const std::string& text, long long low, long long high) {
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < low || v > high)
        return std::nullopt;
    return v;
}

int UsageError(const char* command, const std::string& what) {
    std::fprintf(stderr, "pixscope-cli %s: %s (try --help)\n", command, what.c_str());
    return 2;
}
