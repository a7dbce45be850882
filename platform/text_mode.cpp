#include "platform/text_mode.h"

#include <algorithm>

std::string platform::TextModeBytes(const char* data, std::size_t size) {
    std::string out;
    out.reserve(size + static_cast<std::size_t>(std::count(data, data + size, '\n')));
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            out += '\r';
        out += data[i];
    }
    return out;
}
