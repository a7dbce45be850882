#include "bmp/rle.h"

#include <algorithm>
#include <array>

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

namespace {

// From `from`, to the end of the stream or, with a row to keep to, until decoding
// leaves it.
void Walk(const RleStream& s, RleState from, std::int64_t onlyRow,
          const std::function<void(const RleCode&)>& onCode,
          std::vector<RleDiagnostic>* diagnostics) {
    const bool fourBit = s.bits == 4, bgr = s.bits == 24;
    const std::size_t length = s.length, held = std::min(s.held, s.length);
    const std::uint8_t* stream = s.bytes;
    const std::int64_t width = s.width, height = s.height;
    auto byte = [&](std::size_t at) { return at < held ? stream[at] : std::uint8_t{0}; };
    std::int64_t x = from.x, y = from.y;
    auto pos = static_cast<std::size_t>(std::min<std::uint64_t>(from.pos, length));
    std::array<std::uint8_t, 255 * 3> literal{};
    auto fault = [&](RleFault f, std::size_t at) {
        if (diagnostics != nullptr)
            diagnostics->push_back(RleDiagnostic{f, at, x, y});
    };
    while (y < height) {
        if (onlyRow >= 0 && y > onlyRow)
            return;
        if (pos >= held && length - pos >= 2) {
            // Only zeros are left: end-of-line codes, one row each.
            const auto rows = static_cast<std::int64_t>((length - pos) / 2);
            y = std::min(height, y + rows);
            pos += 2 * static_cast<std::size_t>(rows);
            continue;
        }
        if (length - pos < 2) {
            fault(length == pos ? RleFault::NoEndCode : RleFault::CodeCut, pos);
            return;
        }
        const std::size_t at = pos;
        const std::uint8_t n = byte(pos), c = byte(pos + 1);
        pos += 2;
        auto run = [&](std::int64_t asked, std::uint64_t bytes, bool absolute, std::uint8_t value) {
            const std::int64_t visible = std::max<std::int64_t>(0, std::min(asked, width - x));
            if (visible < asked)
                fault(RleFault::RunPastEdge, at);
            const std::uint8_t* data = absolute ? stream + at + 2 : nullptr;
            if (absolute && at + bytes > held) {
                // Literal pixels past what the file holds are the zeros the reader has.
                literal.fill(0);
                if (held > at + 2)
                    std::copy(stream + at + 2, stream + std::min(held, at + 2 + literal.size()),
                              literal.begin());
                data = literal.data();
            }
            onCode(RleCode{RleCode::Kind::Run, at, bytes, asked,
                           RleRun{y, x, visible, absolute, fourBit, data, value, bgr}});
            x = std::min(x + asked, width);
        };
        if (n > 0 && bgr) {
            if (length - at < 4) {
                fault(RleFault::CodeCut, at);
                return;
            }
            pos += 2;
            run(n, 4, false, 0);
        } else if (n > 0) {
            run(n, 2, false, c);
        } else if (c == 0) {
            onCode(RleCode{RleCode::Kind::EndOfLine, at, 2, 0, {}});
            x = 0;
            ++y;
        } else if (c == 1) {
            onCode(RleCode{RleCode::Kind::EndOfBitmap, at, 2, 0, {}});
            if (pos < length && std::any_of(stream + std::min(pos, held), stream + held,
                                            [](std::uint8_t b) { return b != 0; }))
                fault(RleFault::BytesAfterEnd, pos);
            return;
        } else if (c == 2) {
            if (length - pos < 2) {
                fault(RleFault::CodeCut, at);
                return;
            }
            const std::uint8_t dx = byte(pos), dy = byte(pos + 1);
            pos += 2;
            if (x + dx > width || y + dy >= height)
                fault(RleFault::DeltaPastPicture, at);
            onCode(RleCode{RleCode::Kind::Delta, at, 4, 0, {}});
            x = std::min<std::int64_t>(x + dx, width);
            y += dy;
        } else {
            const std::size_t bytes = fourBit ? (c + 1u) / 2u : bgr ? 3u * c : c;
            if (length - pos < bytes) {
                fault(RleFault::CodeCut, at);
                return;
            }
            const std::size_t taken = std::min(bytes + bytes % 2, length - pos);
            run(c, 2 + taken, true, 0);
            pos += taken;
        }
    }
    if (onlyRow >= 0)
        return;
    // The picture is full. Writers end the last row and then the bitmap; anything else
    // after the last row is never drawn.
    if (length - pos >= 2 && byte(pos) == 0 && byte(pos + 1) == 1) {
        onCode(RleCode{RleCode::Kind::EndOfBitmap, pos, 2, 0, {}});
        pos += 2;
    } else {
        fault(RleFault::NoEndCode, pos);
    }
    if (pos < length && std::any_of(stream + std::min(pos, held), stream + held,
                                    [](std::uint8_t b) { return b != 0; }))
        fault(RleFault::BytesAfterEnd, pos);
}

} // namespace

void WalkRle(const RleStream& stream, const std::function<void(const RleCode&)>& onCode,
             std::vector<RleDiagnostic>* diagnostics) {
    Walk(stream, RleState{}, -1, onCode, diagnostics);
}

void WalkRleRow(const RleStream& stream, RleState from,
                const std::function<void(const RleCode&)>& onCode) {
    Walk(stream, from, from.y, onCode, nullptr);
}

void DecodeRle(const RleStream& stream, const std::function<void(const RleRun&)>& onRun) {
    WalkRle(stream, [&](const RleCode& code) {
        if (code.kind == RleCode::Kind::Run && code.run.n > 0)
            onRun(code.run);
    });
}

} // namespace bmp
