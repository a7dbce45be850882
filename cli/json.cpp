#include "cli/json.h"

#include "platform/codepage.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    // Through code page 936 and back: what is not UTF-8 comes out as U+FFFD.
    for (const char ch : platform::GbkToUtf8(platform::Utf8ToGb18030(text))) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string JsonNumber(std::optional<std::int64_t> value) {
    return value ? std::to_string(*value) : "null";
}
