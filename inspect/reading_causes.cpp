#include "inspect/reading_causes.h"

#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "inspect/pixel_location.h"

#include <algorithm>
#include <cstdlib>

namespace inspect {

const char* CauseName(Cause cause) {
    switch (cause) {
    case Cause::SkippedPixels:
        return "skipped-pixels";
    case Cause::PaletteIndex:
        return "palette-index";
    case Cause::ChannelWidening:
        return "channel-widening";
    case Cause::Alpha:
        return "alpha";
    case Cause::Masks:
        return "masks";
    case Cause::ColourProfile:
        return "colour-profile";
    case Cause::Orientation:
        return "orientation";
    case Cause::Size:
        return "size";
    case Cause::Other:
        break;
    }
    return "other";
}

namespace {

constexpr int kCauses = static_cast<int>(Cause::Other) + 1;

// What of the file the causes look at, worked out once.
struct Traits {
    const bmp::Decoder* decoder = nullptr;
    std::uint64_t entries = 0;  // whole colour-table entries a reader takes
    bool indexed = false;       // a pixel is an index into the table
    bool fourthChannel = false; // a fourth byte or an alpha mask a reader may take
    bool colourManaged = false; // calibrated, or a profile linked or embedded
    std::array<int, 4> bits{};  // masked channels' widths, 0 where not masked
};

Traits TraitsOf(std::span<const std::uint8_t> file, std::uint64_t start, const bmp::Decoder* d) {
    Traits t;
    t.decoder = d;
    if (d == nullptr)
        return t;
    const bmp::File lay = bmp::ParseFile(file, start);
    const bmp::Header& h = lay.header;
    const bmp::PixelFormat& f = d->Format();
    const std::uint64_t tableEnd = std::min<std::uint64_t>(lay.bfOffBits, file.size());
    t.entries =
        h.tableOffset < tableEnd && h.entrySize != 0
            ? std::min<std::uint64_t>(h.entriesUsed, (tableEnd - h.tableOffset) / h.entrySize)
            : 0;
    t.indexed = f.encoding == bmp::Encoding::Indexed || f.encoding == bmp::Encoding::Huffman ||
                (f.IsRle() && f.bits != 24);
    t.fourthChannel =
        f.alpha.mask != 0 || f.encoding == bmp::Encoding::Rgba64 ||
        (f.bits == 32 && (f.encoding == bmp::Encoding::Bgr || f.encoding == bmp::Encoding::Masked));
    const std::uint32_t cs = h.colourSpace.type;
    t.colourManaged = (h.kind == bmp::HeaderKind::V4 || h.kind == bmp::HeaderKind::V5) &&
                      (cs == 0 || cs == bmp::kProfileLinked || cs == bmp::kProfileEmbedded);
    if (f.encoding == bmp::Encoding::Masked)
        t.bits = {f.red.bits, f.green.bits, f.blue.bits, f.alpha.bits};
    return t;
}

// Whether every channel that differs is narrower than 8 bits and one step or less apart.
bool WithinAStep(const Traits& t, const std::uint8_t* o, const std::uint8_t* r) {
    bool any = false;
    for (int c = 0; c < 4; ++c) {
        if (o[c] == r[c])
            continue;
        const int w = t.bits[static_cast<std::size_t>(c)];
        if (w <= 0 || w >= 8)
            return false;
        const int levels = (1 << w) - 1;
        const int step = (255 + levels - 1) / levels;
        if (std::abs(o[c] - r[c]) > step)
            return false;
        any = true;
    }
    return any;
}

Cause Classify(const Traits& t, std::int64_t x, std::int64_t y, const std::uint8_t* o,
               const std::uint8_t* r) {
    if (t.decoder == nullptr)
        return Cause::Other;
    bool unset = false;
    t.decoder->At(x, y, bmp::Skipped::Entry0, &unset);
    if (unset)
        return Cause::SkippedPixels;
    if (t.indexed) {
        const auto stored = t.decoder->Stored(x, y);
        if (stored && *stored >= t.entries)
            return Cause::PaletteIndex;
    }
    if (WithinAStep(t, o, r))
        return Cause::ChannelWidening;
    if (t.fourthChannel && (o[3] != r[3] || o[3] == 0 || r[3] == 0))
        return Cause::Alpha;
    if (t.decoder->Format().encoding == bmp::Encoding::Masked && t.decoder->Format().masksGiven)
        return Cause::Masks;
    if (t.colourManaged && (o[0] != r[0] || o[1] != r[1] || o[2] != r[2]))
        return Cause::ColourProfile;
    return Cause::Other;
}

CauseExample Example(std::span<const std::uint8_t> file, std::uint64_t start, std::int64_t x,
                     std::int64_t y, const std::uint8_t* o, const std::uint8_t* r) {
    CauseExample e;
    e.x = x;
    e.y = y;
    std::copy(o, o + 4, e.ours.begin());
    std::copy(r, r + 4, e.theirs.begin());
    std::string error;
    if (const auto at = LocatePixel(file, x, y, error, start)) {
        e.offset = at->offset;
        e.bit = at->bit;
        e.bytes = at->bytes;
    }
    return e;
}

} // namespace

ReadingDifference ExplainReading(std::span<const std::uint8_t> file, std::uint64_t start,
                                 const PictureSide& ours, const PictureSide& theirs) {
    ReadingDifference out;
    out.sameSize = ours.width == theirs.width && ours.height == theirs.height;
    if (!out.sameSize) {
        CauseCount size;
        size.cause = Cause::Size;
        size.pixels = static_cast<std::uint64_t>(
            std::max(ours.width * ours.height, theirs.width * theirs.height));
        out.causes.push_back(size);
        return out;
    }
    out.pixels = ComparePixels(ours, theirs, 0);
    if (out.pixels.differ == 0)
        return out;
    const std::int64_t w = ours.width, h = ours.height;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
    std::vector<std::uint8_t> o(rowBytes), r(rowBytes), f(rowBytes);

    // A reader that stands the picture the other way up agrees with it flipped.
    bool flipped = false;
    if (h > 1) {
        std::uint64_t differFlipped = 0;
        for (std::int64_t y = 0; y < h; ++y) {
            ours.rows(y, o.data());
            theirs.rows(h - 1 - y, f.data());
            for (std::int64_t x = 0; x < w; ++x)
                differFlipped += PixelDiffers(&o[x * 4], &f[x * 4], 0);
        }
        flipped = differFlipped * 2 < out.pixels.differ;
    }

    const Traits traits = TraitsOf(file, start, ours.decoder);
    std::array<CauseCount, kCauses> counts{};
    for (std::int64_t y = 0; y < h; ++y) {
        ours.rows(y, o.data());
        theirs.rows(y, r.data());
        if (flipped)
            theirs.rows(h - 1 - y, f.data());
        for (std::int64_t x = 0; x < w; ++x) {
            const std::uint8_t* op = &o[x * 4];
            const std::uint8_t* rp = &r[x * 4];
            if (!PixelDiffers(op, rp, 0))
                continue;
            const std::uint8_t* fp = &f[x * 4];
            const Cause cause = flipped && !PixelDiffers(op, fp, 0)
                                    ? Cause::Orientation
                                    : Classify(traits, x, y, op, flipped ? fp : rp);
            CauseCount& c = counts[static_cast<std::size_t>(cause)];
            c.cause = cause;
            if (c.pixels++ == 0)
                c.example = Example(file, start, x, y, op, rp);
        }
    }
    for (const CauseCount& c : counts)
        if (c.pixels != 0)
            out.causes.push_back(c);
    return out;
}

} // namespace inspect
