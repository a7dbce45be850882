#include "platform/gdi/rle.h"

#include <algorithm>

namespace platform::gdi {

std::vector<BYTE> EncodeRle(const BYTE* indices, std::int64_t width, std::int64_t height,
                            bool fourBit) {
    std::vector<BYTE> out;
    auto pair = [&](std::int64_t n, BYTE v) {
        out.push_back(static_cast<BYTE>(n));
        out.push_back(fourBit ? static_cast<BYTE>((v << 4) | (v & 0x0F)) : v);
    };
    for (std::int64_t y = 0; y < height; ++y) {
        const BYTE* row = indices + y * width;
        std::int64_t x = 0;
        while (x < width) {
            std::int64_t run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 2) {
                pair(run, row[x]);
                x += run;
                continue;
            }
            // A stretch without repeats: it ends where a run of two begins.
            std::int64_t n = 1;
            while (x + n < width && n < 255 && !(x + n + 1 < width && row[x + n] == row[x + n + 1]))
                ++n;
            if (n < 3) {
                for (std::int64_t k = 0; k < n; ++k)
                    pair(1, row[x + k]);
            } else {
                out.push_back(0);
                out.push_back(static_cast<BYTE>(n));
                size_t bytes = 0;
                if (fourBit) {
                    for (std::int64_t k = 0; k < n; k += 2) {
                        BYTE hi = static_cast<BYTE>(row[x + k] & 0x0F);
                        BYTE lo = k + 1 < n ? static_cast<BYTE>(row[x + k + 1] & 0x0F) : 0;
                        out.push_back(static_cast<BYTE>((hi << 4) | lo));
                        ++bytes;
                    }
                } else {
                    out.insert(out.end(), row + x, row + x + n);
                    bytes = static_cast<size_t>(n);
                }
                if (bytes % 2 != 0)
                    out.push_back(0);
            }
            x += n;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

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
