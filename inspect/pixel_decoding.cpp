#include "inspect/pixel_decoding.h"

#include "bmp/rgba64.h"

#include <algorithm>

namespace inspect {

const char* SkippedName(bmp::Skipped skipped) {
    switch (skipped) {
    case bmp::Skipped::Entry0:
        return "index0";
    case bmp::Skipped::Black:
        return "black";
    case bmp::Skipped::Transparent:
        return "transparent";
    }
    return "";
}

namespace {

TableEntry EntryOf(const bmp::Header& h, std::span<const std::uint8_t> file, std::uint32_t index) {
    TableEntry e;
    e.offset = h.tableOffset + std::uint64_t{h.entrySize} * index;
    e.inTable = index < h.entriesUsed;
    const auto byte = [&](std::uint64_t k) -> std::optional<std::uint8_t> {
        return e.offset + k < file.size() ? std::optional(file[e.offset + k]) : std::nullopt;
    };
    e.b = byte(0), e.g = byte(1), e.r = byte(2);
    if (h.entrySize == 4)
        e.reserved = byte(3);
    return e;
}

} // namespace

PixelDecoding DecodePixel(const bmp::Decoder& decoder, const bmp::Header& h,
                          std::span<const std::uint8_t> file, std::int64_t x, std::int64_t y,
                          bmp::Skipped skipped) {
    PixelDecoding d;
    const bmp::PixelFormat& f = decoder.Format();
    if (!decoder.Decodes() || x < 0 || y < 0 || x >= decoder.Width() || y >= decoder.Height())
        return d;
    d.raw = decoder.Stored(x, y);
    const bool indexed = f.encoding == bmp::Encoding::Indexed ||
                         f.encoding == bmp::Encoding::Huffman || (f.IsRle() && f.bits != 24);
    if (f.IsRle() && !d.raw) {
        d.skipped = SkippedName(skipped);
        if (skipped == bmp::Skipped::Entry0 && f.bits != 24)
            d.entry = EntryOf(h, file, 0);
        return d;
    }
    if (!d.raw)
        return d;
    if (indexed) {
        d.index = static_cast<std::uint32_t>(*d.raw);
        d.entry = EntryOf(h, file, *d.index);
    } else if (f.encoding == bmp::Encoding::Masked) {
        const auto v = static_cast<std::uint32_t>(*d.raw);
        const struct {
            const char* name;
            const bmp::Channel& c;
        } channels[] = {{"red", f.red}, {"green", f.green}, {"blue", f.blue}, {"alpha", f.alpha}};
        for (const auto& [name, c] : channels)
            if (c.mask != 0 && (&c != &f.alpha || f.alphaInForce))
                d.channels.push_back(
                    ChannelStep{name, c.mask, (v & c.mask) >> c.shift, c.bits, c.Extract(v)});
    } else if (f.encoding == bmp::Encoding::Rgba64) {
        static constexpr const char* kNames[] = {"blue", "green", "red", "alpha"};
        for (int k = 0; k < 4; ++k) {
            const auto stored = static_cast<std::int16_t>(*d.raw >> (16 * k) & 0xFFFF);
            const double value = bmp::FixedValue(stored);
            d.fixed.push_back(
                FixedStep{kNames[k], stored, value, std::clamp(value, 0.0, 1.0),
                          k == 3 ? bmp::AlphaFromFixed(stored) : bmp::SrgbFromFixed(stored)});
        }
    }
    return d;
}

} // namespace inspect
