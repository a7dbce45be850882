#include "platform/gdi/rle.h"

#include <algorithm>

namespace platform::gdi {

void DecodeRle(const BYTE* stream, std::size_t length, std::int64_t width, std::int64_t height,
               bool fourBit, const std::function<void(const RleRun&)>& onRun) {
    std::int64_t x = 0, y = 0;
    std::size_t pos = 0;
    auto emit = [&](std::int64_t n, bool absolute, const BYTE* data, BYTE value) {
        std::int64_t visible = std::min(n, width - x);
        if (visible > 0)
            onRun(RleRun{y, x, visible, absolute, fourBit, data, value});
        x = std::min(x + n, width);
    };
    while (y < height && length - pos >= 2) {
        BYTE n = stream[pos], c = stream[pos + 1];
        pos += 2;
        if (n > 0) {
            emit(n, false, nullptr, c);
            continue;
        }
        if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            return;
        } else if (c == 2) {
            if (length - pos < 2)
                return;
            x = std::min<std::int64_t>(x + stream[pos], width);
            y += stream[pos + 1];
            pos += 2;
        } else {
            std::size_t bytes = fourBit ? (c + 1u) / 2u : c;
            if (length - pos < bytes)
                return;
            emit(c, true, stream + pos, 0);
            pos += bytes;
            if (bytes % 2 != 0)
                pos = std::min(pos + 1, length);
        }
    }
}

} // namespace platform::gdi
