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

Arguments SplitArguments(const std::vector<std::string>& args) {
    Arguments split;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--") {
            ++i;
            break;
        }
        if (args[i].size() < 2 || args[i][0] != '-')
            break;
        // An option that takes a value may have it as the next word.
        if ((args[i] == "--image" || args[i] == "--fuzz" || args[i] == "--diff" ||
             args[i] == "--only" || args[i] == "--timeout") &&
            i + 1 < args.size()) {
            split.options.push_back(args[i] + "=" + args[i + 1]);
            ++i;
            continue;
        }
        split.options.push_back(args[i]);
    }
    split.operands.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return split;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& o : SplitArguments(args).options) {
        if (o == "-h" || o == "--help")
            return true;
    }
    return false;
}

std::optional<std::size_t> ImageOption(const std::string& option) {
    if (option.rfind("--image=", 0) != 0)
        return std::nullopt;
    const auto n = ParseInteger(option.substr(8), 0, 1 << 20);
    return n ? std::optional<std::size_t>(static_cast<std::size_t>(*n)) : std::nullopt;
}

std::optional<PixelArguments> ParsePixelArguments(const char* command,
                                                  const std::vector<std::string>& args) {
    PixelArguments parsed;
    const Arguments split = SplitArguments(args);
    for (const std::string& o : split.options) {
        if (const auto image = ImageOption(o)) {
            parsed.image = *image;
            continue;
        }
        if (o != "--json") {
            UsageError(command, "unknown option " + o);
            return std::nullopt;
        }
        parsed.json = true;
    }
    const std::vector<std::string>& rest = split.operands;
    if (rest.size() != 3) {
        UsageError(command, "expects [--json] [--image N] FILE X Y");
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
