#include "views/structure_window.h"

#include <cctype>

namespace views {

std::optional<std::uint64_t> ParseOffset(const std::string& typed) {
    std::size_t first = 0, end = typed.size();
    while (first < end && std::isspace(static_cast<unsigned char>(typed[first])))
        ++first;
    while (end > first && std::isspace(static_cast<unsigned char>(typed[end - 1])))
        --end;
    std::string digits = typed.substr(first, end - first);
    unsigned base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
        base = 16;
    } else if (digits.size() > 1 && (digits.back() == 'h' || digits.back() == 'H')) {
        digits.pop_back();
        base = 16;
    }
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto u = static_cast<unsigned char>(c);
        unsigned d = 0;
        if (std::isdigit(u))
            d = u - '0';
        else if (base == 16 && std::isxdigit(u))
            d = static_cast<unsigned>(std::tolower(u) - 'a' + 10);
        else
            return std::nullopt;
        if (__builtin_mul_overflow(value, std::uint64_t{base}, &value) ||
            __builtin_add_overflow(value, std::uint64_t{d}, &value))
            return std::nullopt;
    }
    return value;
}

} // namespace views
