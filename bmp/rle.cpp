#include "bmp/rle.h"

#include <algorithm>

namespace bmp {

std::vector<std::uint8_t> EncodeRle(const std::uint8_t* indices, std::int64_t width,
                                    std::int64_t height, bool fourBit) {
    std::vector<std::uint8_t> out;
    auto pair = [&](std::int64_t n, std::uint8_t v) {
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(fourBit ? static_cast<std::uint8_t>((v << 4) | (v & 0x0F)) : v);
    };
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = indices + y * width;
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
                out.push_back(static_cast<std::uint8_t>(n));
                size_t bytes = 0;
                if (fourBit) {
                    for (std::int64_t k = 0; k < n; k += 2) {
                        std::uint8_t hi = static_cast<std::uint8_t>(row[x + k] & 0x0F);
                        std::uint8_t lo =
                            k + 1 < n ? static_cast<std::uint8_t>(row[x + k + 1] & 0x0F) : 0;
                        out.push_back(static_cast<std::uint8_t>((hi << 4) | lo));
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

void WalkRle(const RleStream& stream, const std::function<void(const RleCode&)>& onCode,
             std::vector<RleDiagnostic>* diagnostics) {
    WalkCodes(
        stream, RleState{}, -1,
        [&](const RleCode& code) {
            onCode(code);
            return true;
        },
        diagnostics);
}

void WalkRleRow(const RleStream& stream, RleState from,
                const std::function<bool(const RleCode&)>& onCode) {
    WalkCodes(stream, from, from.y, onCode, nullptr);
}

void DecodeRle(const RleStream& stream, const std::function<void(const RleRun&)>& onRun) {
    WalkRle(stream, [&](const RleCode& code) {
        if (code.kind == RleCode::Kind::Run && code.run.n > 0)
            onRun(code.run);
    });
}

} // namespace bmp
