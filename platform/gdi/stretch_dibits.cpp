// StretchDIBits: scaling a DIB into a device context with nearest-neighbour sampling.
//
// The work is driven by the destination: for each destination column and row we
// compute the one source pixel it shows, so shrinking a huge picture costs only the
// sampled pixels. Every pixel read is checked against the pixel array's length; the
// common case of a whole row inside the array takes a loop without checks.
#include "bmp/checked.h"
#include "bmp/decoder.h"
#include "platform/gdi/dib_decoder.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/nearest_map.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::gdi {
namespace {

// One axis of the call: the destination run and the source run it samples.
struct AxisMap {
    std::int64_t destLo = 0; // first destination coordinate, in increasing order
    std::int64_t count = 0;  // destination pixels
    // Source coordinate for each destination pixel in [destLo, destLo + count), or -1
    // where it falls outside the picture; filled only for the visible part.
    std::vector<std::int64_t> source;
};

// pos/extent pairs follow the Windows rule: a negative extent e at p covers p+e+1 .. p.
std::int64_t RunStart(std::int64_t pos, std::int64_t extent) {
    return extent > 0 ? pos : pos + extent + 1;
}

// Maps the visible destination range [visLo, visHi) of one axis. srcLo is the source
// run's lowest coordinate in the orientation the picture is addressed in (columns left
// to right, rows top to bottom), limit the picture's size on that axis.
void FillAxis(AxisMap& axis, std::int64_t visLo, std::int64_t visHi, std::int64_t srcLo,
              std::int64_t srcCount, bool mirrored, std::int64_t limit, Axis kind) {
    axis.source.assign(static_cast<size_t>(std::max<std::int64_t>(0, visHi - visLo)), -1);
    for (std::int64_t d = visLo; d < visHi; ++d) {
        std::int64_t j = d - axis.destLo;
        std::int64_t i = NearestSource(j, srcCount, axis.count, kind);
        std::int64_t s = mirrored ? srcLo + srcCount - 1 - i : srcLo + i;
        axis.source[static_cast<size_t>(d - visLo)] = (s >= 0 && s < limit) ? s : -1;
    }
}

struct Job {
    const bmp::Decoder* decoder;
    const BYTE* bits;
    std::uint64_t bitsLength;
    Surface* target;
    std::int64_t visLeft, visTop;
    const AxisMap* cols;
    const AxisMap* rows;
};

template <int Bits, bool Masked> void DrawUncompressed(const Job& job) {
    const bmp::Decoder& d = *job.decoder;
    const bmp::PixelFormat& f = d.Format();
    constexpr std::uint64_t kPixelBytes = Bits < 8 ? 1 : Bits / 8;
    const auto& cols = job.cols->source;
    for (size_t ry = 0; ry < job.rows->source.size(); ++ry) {
        std::int64_t r = job.rows->source[ry];
        if (r < 0)
            continue;
        std::uint64_t stored = f.topDown ? static_cast<std::uint64_t>(r)
                                         : static_cast<std::uint64_t>(f.height - 1 - r);
        std::uint32_t* out =
            job.target->Row(static_cast<int>(job.visTop + static_cast<std::int64_t>(ry))) +
            job.visLeft;
        std::uint64_t rowStart = 0;
        if (!bmp::CheckedMul(stored, f.stride, rowStart) || rowStart >= job.bitsLength) {
            for (size_t cx = 0; cx < cols.size(); ++cx) {
                if (cols[cx] >= 0)
                    out[cx] = bmp::kBlack;
            }
            continue;
        }
        const BYTE* row = job.bits + rowStart;
        if (bmp::RangeInside(rowStart, f.stride, job.bitsLength)) {
            for (size_t cx = 0; cx < cols.size(); ++cx) {
                if (cols[cx] >= 0)
                    out[cx] = d.Fetch<Bits, Masked>(row, cols[cx]);
            }
            continue;
        }
        // A row the array holds only partly: what lies past its end is black.
        std::uint64_t rowAvailable = job.bitsLength - rowStart;
        for (size_t cx = 0; cx < cols.size(); ++cx) {
            std::int64_t c = cols[cx];
            if (c < 0)
                continue;
            std::uint64_t offset = (static_cast<std::uint64_t>(c) * Bits) / 8;
            bool inside = bmp::RangeInside(offset, kPixelBytes, rowAvailable);
            out[cx] = inside ? d.Fetch<Bits, Masked>(row, c) : bmp::kBlack;
        }
    }
}

// Run-length pictures: only the sampled pixels are kept, from the decoder's index of the
// stream's rows when it has one, else from one walk of the stream.
void DrawRle(const Job& job, bool oneToOne) {
    const bmp::Decoder& d = *job.decoder;
    const bmp::PixelFormat& f = d.Format();
    std::vector<std::int64_t> rowsNeeded, colsNeeded;
    for (std::int64_t r : job.rows->source) {
        if (r >= 0)
            rowsNeeded.push_back(f.height - 1 - r);
    }
    for (std::int64_t c : job.cols->source) {
        if (c >= 0)
            colsNeeded.push_back(c);
    }
    std::sort(rowsNeeded.begin(), rowsNeeded.end());
    rowsNeeded.erase(std::unique(rowsNeeded.begin(), rowsNeeded.end()), rowsNeeded.end());
    std::sort(colsNeeded.begin(), colsNeeded.end());
    colsNeeded.erase(std::unique(colsNeeded.begin(), colsNeeded.end()), colsNeeded.end());
    if (rowsNeeded.empty() || colsNeeded.empty())
        return;

    constexpr std::int16_t kUnset = -1;
    std::vector<std::int16_t> sampled(rowsNeeded.size() * colsNeeded.size(), kUnset);
    auto slotOf = [](const std::vector<std::int64_t>& v, std::int64_t key) {
        return static_cast<size_t>(std::lower_bound(v.begin(), v.end(), key) - v.begin());
    };
    auto sample = [&](const bmp::RleCode& code, auto&& pixel) {
        const bmp::RleRun& run = code.run;
        size_t rs = slotOf(rowsNeeded, run.y);
        if (rs == rowsNeeded.size() || rowsNeeded[rs] != run.y)
            return;
        std::int16_t* slots = sampled.data() + rs * colsNeeded.size();
        for (size_t cs = slotOf(colsNeeded, run.x);
             cs < colsNeeded.size() && colsNeeded[cs] < run.x + run.n; ++cs)
            slots[cs] = static_cast<std::int16_t>(pixel(colsNeeded[cs] - run.x));
    };
    if (const bmp::RleIndex* runs = d.Runs()) {
        for (std::int64_t y : rowsNeeded)
            runs->ForEachRunOn(y, [&](const bmp::RleCode& code) {
                sample(code, [&](std::int64_t k) { return bmp::RunPixel(d.Stream(), code, k); });
            });
    } else {
        bmp::WalkRle(d.Stream(), [&](const bmp::RleCode& code) {
            if (code.kind == bmp::RleCode::Kind::Run && code.run.n > 0)
                sample(code, [&](std::int64_t k) { return code.run.At(k); });
        });
    }

    for (size_t ry = 0; ry < job.rows->source.size(); ++ry) {
        std::int64_t r = job.rows->source[ry];
        if (r < 0)
            continue;
        const std::int16_t* slots =
            sampled.data() + slotOf(rowsNeeded, f.height - 1 - r) * colsNeeded.size();
        std::uint32_t* out =
            job.target->Row(static_cast<int>(job.visTop + static_cast<std::int64_t>(ry))) +
            job.visLeft;
        for (size_t cx = 0; cx < job.cols->source.size(); ++cx) {
            std::int64_t c = job.cols->source[cx];
            if (c < 0)
                continue;
            std::int16_t index = slots[slotOf(colsNeeded, c)];
            // Pixels the stream never sets keep the destination when copying 1:1, and
            // show colour 0 when stretching, as Windows does.
            if (index == kUnset) {
                if (oneToOne)
                    continue;
                index = 0;
            }
            out[cx] = d.Palette()[static_cast<size_t>(index)];
        }
    }
}

void Dispatch(const Job& job) {
    job.decoder->AtDepth([&]<int Bits, bool Masked>() { DrawUncompressed<Bits, Masked>(job); });
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop, std::size_t bitsLength, std::size_t infoLength) {
    return StretchDIBits(hdc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight,
                         bits, info, usage, rop, bitsLength, infoLength, nullptr);
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop, std::size_t bitsLength, std::size_t infoLength,
                  const bmp::Decoder* decoder) {
    DcObject* dc = LookupDc(hdc);
    if (dc == nullptr || dc->Target() == nullptr || bits == nullptr || usage != DIB_RGB_COLORS ||
        rop != SRCCOPY)
        return 0;
    // The caller's decoder stands for this header only where the drawing takes it.
    std::optional<bmp::Decoder> own;
    if (decoder == nullptr || !DrawingFormat(info, infoLength).Decodes()) {
        own = DrawingDecoder(info, infoLength, bits, bitsLength);
        decoder = own ? &*own : nullptr;
    }
    if (decoder == nullptr || destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0)
        return 0;
    const bmp::PixelFormat& f = decoder->Format();
    // A negative source height over a top-down picture lies outside it.
    if (f.topDown && srcHeight < 0)
        return 0;

    AxisMap cols, rows;
    cols.destLo = RunStart(xDest, destWidth);
    cols.count = destWidth < 0 ? -static_cast<std::int64_t>(destWidth) : destWidth;
    rows.destLo = RunStart(yDest, destHeight);
    rows.count = destHeight < 0 ? -static_cast<std::int64_t>(destHeight) : destHeight;
    std::int64_t srcCols = srcWidth < 0 ? -static_cast<std::int64_t>(srcWidth) : srcWidth;
    std::int64_t srcRows = srcHeight < 0 ? -static_cast<std::int64_t>(srcHeight) : srcHeight;
    std::int64_t srcLeft = RunStart(xSrc, srcWidth);
    // Source rows count up from the bottom; a 1:1 copy of a top-down picture counts from
    // its top instead.
    bool stretching = srcCols != cols.count || srcRows != rows.count;
    std::int64_t srcLow = RunStart(ySrc, srcHeight);
    std::int64_t srcTop = (f.topDown && !stretching) ? srcLow : f.height - srcLow - srcRows;

    RECT area = DrawableArea(*dc);
    std::int64_t visLeft = std::max<std::int64_t>(area.left, cols.destLo);
    std::int64_t visRight = std::min<std::int64_t>(area.right, cols.destLo + cols.count);
    std::int64_t visTop = std::max<std::int64_t>(area.top, rows.destLo);
    std::int64_t visBottom = std::min<std::int64_t>(area.bottom, rows.destLo + rows.count);
    if (visLeft >= visRight || visTop >= visBottom)
        return 0;
    FillAxis(cols, visLeft, visRight, srcLeft, srcCols, (destWidth > 0) != (srcWidth > 0), f.width,
             Axis::Columns);
    FillAxis(rows, visTop, visBottom, srcTop, srcRows, (destHeight > 0) != (srcHeight > 0),
             f.height, Axis::Rows);

    Job job{
        decoder, static_cast<const BYTE*>(bits), bitsLength, dc->Target(), visLeft, visTop, &cols,
        &rows};
    if (f.IsRle()) {
        bool oneToOne = xSrc == 0 && ySrc == 0 && srcWidth == destWidth &&
                        srcHeight == destHeight && srcWidth > 0 && srcHeight > 0;
        DrawRle(job, oneToOne);
    } else {
        Dispatch(job);
    }
    return static_cast<int>(f.height);
}
