#include "cli/json.h"

#include "cli/output.h"
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
        const std::size_t len = Utf8Length(p + i, n - i);
        const bool valid = len != 0;
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

std::string RgbaJson(const std::array<std::uint8_t, 4>& c) {
    return "{\"r\": " + std::to_string(c[0]) + ", \"g\": " + std::to_string(c[1]) +
           ", \"b\": " + std::to_string(c[2]) + ", \"a\": " + std::to_string(c[3]) + "}";
}

std::string RgbaText(const std::array<std::uint8_t, 4>& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + "," +
           std::to_string(c[3]);
}
