#include "cli/json.h"
#include <cstdio>

// Each byte that does not begin a valid UTF-8 sequence is written as U+FFFD, so that
// any name comes out as valid JSON and nothing depends on a code page converter.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // The length of the sequence c begins, and the range its second byte must lie in,
        // which rules out overlong forms, surrogates and code points past U+10FFFF.
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
        bool valid = len != 0 && n - i >= len && p[i + 1] >= lo && p[i + 1] <= hi;
        for (std::size_t k = 2; valid && k < len; ++k)
            valid = p[i + k] >= 0x80 && p[i + k] <= 0xBF;
        if (valid) {
            out.append(text, i, len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

// Past 2^53 a JSON reader's doubles lose digits: such numbers are written as strings.
std::string JsonNumber(std::optional<std::int64_t> value) {
    if (!value)
        return "null";
    constexpr std::int64_t kExact = std::int64_t{1} << 53;
    const std::string digits = std::to_string(*value);
    return *value > kExact || *value < -kExact ? "\"" + digits + "\"" : digits;
}
