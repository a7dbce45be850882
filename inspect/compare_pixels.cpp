#include "inspect/compare_pixels.h"

#include "bmp/decoder.h"

#include <cmath>
#include <cstring>
#include <span>
#include <vector>

namespace inspect {

namespace {

bool SameChannel(const bmp::Channel& a, const bmp::Channel& b) {
    return a.mask == b.mask;
}

// Whether equal stored bytes mean equal pixels: the same layout and the same reading
// of a stored value (depth, masks, table).
bool StoredAlike(const bmp::Decoder* a, const bmp::Decoder* b) {
    if (a == nullptr || b == nullptr)
        return false;
    const bmp::PixelFormat &fa = a->Format(), &fb = b->Format();
    using E = bmp::Encoding;
    const bool rows = fa.encoding == E::Indexed || fa.encoding == E::Masked ||
                      fa.encoding == E::Bgr || fa.encoding == E::Rgba64;
    return rows && fa.encoding == fb.encoding && fa.bits == fb.bits && fa.width == fb.width &&
           fa.height == fb.height && fa.topDown == fb.topDown &&
           fa.alphaInForce == fb.alphaInForce && SameChannel(fa.red, fb.red) &&
           SameChannel(fa.green, fb.green) && SameChannel(fa.blue, fb.blue) &&
           SameChannel(fa.alpha, fb.alpha) &&
           (fa.encoding != E::Indexed || a->Palette() == b->Palette());
}

// The pixel bytes of row y (from the top), when all of them are held and read.
std::optional<std::span<const std::uint8_t>> StoredRow(const bmp::Decoder& d, std::int64_t y) {
    const bmp::PixelFormat& f = d.Format();
    const std::uint64_t stored = static_cast<std::uint64_t>(f.topDown ? y : f.height - 1 - y);
    const std::uint64_t at = stored * f.stride;
    const std::uint64_t bytes = (static_cast<std::uint64_t>(f.width) * f.bits + 7) / 8;
    const std::uint64_t held = std::min<std::uint64_t>(d.Length(), d.Pixels().size());
    if (at > held || bytes > held - at)
        return std::nullopt;
    return d.Pixels().subspan(at, bytes);
}

} // namespace

PixelComparison ComparePixels(const PictureSide& a, const PictureSide& b, int fuzz) {
    PixelComparison out;
    const std::int64_t w = a.width, h = a.height;
    if (w <= 0 || h <= 0)
        return out; // a header's width alone must not size a buffer when no row is read
    const bool alike = StoredAlike(a.decoder, b.decoder);
    std::vector<std::uint8_t> ra(static_cast<std::size_t>(w) * 4), rb(ra.size());
    double absolute = 0, squared = 0;
    for (std::int64_t y = 0; y < h; ++y) {
        if (alike) {
            const auto sa = StoredRow(*a.decoder, y), sb = StoredRow(*b.decoder, y);
            if (sa && sb && std::memcmp(sa->data(), sb->data(), sa->size()) == 0)
                continue;
        }
        a.rows(y, ra.data());
        b.rows(y, rb.data());
        if (std::memcmp(ra.data(), rb.data(), ra.size()) == 0)
            continue;
        for (std::int64_t x = 0; x < w; ++x) {
            const std::uint8_t* pa = &ra[static_cast<std::size_t>(x) * 4];
            const std::uint8_t* pb = &rb[static_cast<std::size_t>(x) * 4];
            for (int c = 0; c < 4; ++c) {
                const int d = pa[c] > pb[c] ? pa[c] - pb[c] : pb[c] - pa[c];
                out.largest[c] = std::max(out.largest[c], d);
                absolute += d;
                squared += static_cast<double>(d) * d;
            }
            if (!PixelDiffers(pa, pb, fuzz))
                continue;
            if (out.differ++ == 0) {
                out.first = {x, y};
                std::memcpy(out.firstA.data(), pa, 4);
                std::memcpy(out.firstB.data(), pb, 4);
                out.left = out.right = x;
                out.top = y;
            }
            out.left = std::min(out.left, x);
            out.right = std::max(out.right, x);
            out.bottom = y;
        }
    }
    const double samples = static_cast<double>(w) * static_cast<double>(h) * 4;
    if (samples > 0) {
        out.meanAbsolute = absolute / samples;
        if (squared > 0)
            out.psnr = 10 * std::log10(255.0 * 255.0 / (squared / samples));
    }
    return out;
}

} // namespace inspect
