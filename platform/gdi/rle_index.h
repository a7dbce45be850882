// A run-length stream decoded once into its runs, so that a pixel read or a redraw of a
// few rows costs a search instead of a walk of the whole stream.
//
// Runs are kept as the decoder yields them, which is in (row, column) order without
// overlap: the decoder only moves right within a row and up between rows. Each run
// takes 16 bytes and covers at least one pixel of at most two stream bytes, so the
// index never needs more than eight times the stream.
#pragma once

#include "platform/gdi/rle.h"

#include <memory>
#include <optional>

namespace platform::gdi {

class RleIndex {
public:
    // Streams of 4 GiB or more are not indexed; Make returns null for them, and when
    // memory runs out, and the callers decode the stream instead.
    static std::unique_ptr<RleIndex> Make(const BYTE* stream, std::size_t length,
                                          std::int64_t width, std::int64_t height, bool fourBit);
    // The same for a stream of which only the first `held` bytes are there, the rest
    // reading as zeros (a file shorter than its declared size). Such an index answers
    // IndexAt; ForEachRunOn wants the whole stream.
    static std::unique_ptr<RleIndex> Make(const BYTE* stream, std::size_t held, std::size_t length,
                                          std::int64_t width, std::int64_t height, bool fourBit);

    // An OS/2 RLE24 stream's, which answers BgrAt.
    static std::unique_ptr<RleIndex> Make24(const BYTE* stream, std::size_t held,
                                            std::size_t length, std::int64_t width,
                                            std::int64_t height);

    // Whether this index was made from exactly this stream and picture shape.
    bool Describes(const BYTE* stream, std::size_t length, std::int64_t width, std::int64_t height,
                   bool fourBit) const;
    // The colour index of pixel x on stored row y (0 = bottom), or none where no code of
    // the stream sets it.
    std::optional<BYTE> IndexAt(std::int64_t x, std::int64_t y) const;
    // RLE24: the pixel's blue, green and red as 0x00RRGGBB, or none where no code sets it.
    std::optional<std::uint32_t> BgrAt(std::int64_t x, std::int64_t y) const;
    // Every run on the stored rows given (sorted, no repeats), in stream order.
    void ForEachRunOn(const std::vector<std::int64_t>& rows,
                      const std::function<void(const RleRun&)>& onRun) const;

private:
    struct Run {
        std::uint32_t y, x;
        std::uint32_t source; // the offset of the run's bytes, or an RLE4/8 run's value
        BYTE n;
        bool absolute;
    };
    RleIndex() = default;
    static std::unique_ptr<RleIndex> Index(const BYTE* stream, std::size_t held, std::size_t length,
                                           std::int64_t width, std::int64_t height, int bits);
    std::optional<std::vector<Run>::const_iterator> RunAt(std::int64_t x, std::int64_t y) const;
    RleRun Expand(const Run& r) const;
    std::vector<Run>::const_iterator FirstAtOrAfter(std::int64_t y, std::int64_t x) const;

    const BYTE* m_stream = nullptr;
    std::size_t m_length = 0, m_held = 0;
    std::int64_t m_width = 0, m_height = 0;
    int m_bits = 8;
    std::vector<Run> m_runs;
};

} // namespace platform::gdi
