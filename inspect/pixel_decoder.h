// The colour of any pixel of any BMP the structure view shows: every header kind, 1, 2,
// 4 and 8 bits through the table, 16 and 32 bits plain or through masks (alpha as S),
// 24 bits, RLE4 and RLE8 through the drawing's own run-length reader. On a file the open
// command loads it gives what the read command gives.
#pragma once

#include "bmp/layout.h"
#include "platform/gdi/rle_index.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace inspect {

struct Bgrs {
    std::uint8_t b = 0, g = 0, r = 0, s = 0;
};

class PixelDecoder {
public:
    // Reads the headers and, for a run-length picture, walks its stream once.
    explicit PixelDecoder(std::span<const std::uint8_t> file);
    // Why no pixel can be decoded (an embedded JPEG, an unknown depth), or empty.
    const std::string& Refusal() const { return m_refusal; }
    std::int64_t Width() const { return m_width; }
    std::int64_t Height() const { return m_height; }
    // The pixel at x from the left and y from the top, or nothing outside the picture
    // or when nothing decodes it.
    std::optional<Bgrs> At(std::int64_t x, std::int64_t y) const;

private:
    std::uint8_t Byte(std::uint64_t at) const { return at < m_file.size() ? m_file[at] : 0; }
    Bgrs FromTable(unsigned index) const;

    std::span<const std::uint8_t> m_file;
    bmp::File m_layout;
    std::string m_refusal;
    std::int64_t m_width = 0, m_height = 0;
    std::unique_ptr<platform::gdi::RleIndex> m_runs; // a run-length picture's, once walked
};

} // namespace inspect
