#include "cli/arguments.h"

#include <cerrno>
#include <climits>
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

std::optional<PixelArguments> ParsePixelArguments(const char* command,
                                                  const std::vector<std::string>& args) {
    PixelArguments parsed;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--json")
            parsed.json = true;
        else
            rest.push_back(a);
    }
    if (rest.size() != 3) {
        UsageError(command, "expects [--json] FILE X Y");
        return std::nullopt;
    }
    auto x = ParseInteger(rest[1], INT_MIN, INT_MAX), y = ParseInteger(rest[2], INT_MIN, INT_MAX);
    if (!x || !y) {
        UsageError(command, "X and Y must be whole numbers");
        return std::nullopt;
    }
    parsed.file = rest[0];
    parsed.x = static_cast<int>(*x);
    parsed.y = static_cast<int>(*y);
    return parsed;
}

int UsageError(const char* command, const std::string& what) {
    std::fprintf(stderr, "pixscope-cli %s: %s (try --help)\n", command, what.c_str());
    return 2;
}
