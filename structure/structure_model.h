// What the structure view shows of a file, without knowing its format: its parts as a
// tree, every byte, the picture the bytes make and the ties between a pixel and its
// bytes. The BMP model fills it; the view's windows only ask.
#pragma once

#include "bmp/decoder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace structure {

struct ByteRange {
    std::uint64_t offset = 0, size = 0;
    bool Holds(std::uint64_t at) const { return at >= offset && at - offset < size; }
};

// Pixels x0..x1 of row y (from the top), inclusive.
using PixelSpan = bmp::PixelSpan;
class StructureModel {
public:
    virtual ~StructureModel() = default;

    // One row of the tree: its columns (name, offset, size, value, meaning; UTF-8) and
    // the bytes it stands for. Children lie inside their parent, in file order.
    struct Node {
        std::vector<std::string> columns;
        ByteRange bytes;
        bool cut = false;
        std::vector<Node> children;
        std::optional<std::uint32_t> swatch; // a colour-table entry's colour, 0xRRGGBB
    };
    struct Finding {
        std::string text; // one line, UTF-8
        std::uint64_t offset = 0;
        bool error = false;
    };

    virtual std::string Title() const = 0;
    virtual std::string Name() const = 0; // the file's, as the title names it
    virtual std::span<const std::uint8_t> Bytes() const = 0;
    virtual const std::vector<Node>& Tree() const = 0;
    virtual const std::vector<Finding>& Findings() const = 0;

    // The picture: its size, or why there is none (empty when there is).
    virtual std::int64_t Width() const = 0;
    virtual std::int64_t Height() const = 0;
    virtual std::string NoPicture() const = 0;
    // The pixel at x, y from the top left as 0x00RRGGBB, and what the caption says of it.
    virtual std::uint32_t Colour(std::int64_t x, std::int64_t y) const = 0;
    virtual std::string Describe(std::int64_t x, std::int64_t y) const = 0;
    // How the pixel's colour comes out of its bytes, in one line; empty where nothing says.
    virtual std::string Decoding(std::int64_t x, std::int64_t y) const = 0;
    // The bytes that hold a pixel (a run-length code for a run), and the pixels a byte
    // belongs to; nothing for bytes that hold no pixel (padding, headers).
    virtual std::optional<ByteRange> BytesOf(std::int64_t x, std::int64_t y) const = 0;
    virtual std::optional<PixelSpan> PixelsOf(std::uint64_t offset) const = 0;

    // The pixel data unit by unit (stored rows, run-length codes, Huffman rows with their
    // codes), made when asked for: which top-level row of the tree holds them, how many
    // there are, one of them, and the one whose bytes hold an offset.
    virtual std::optional<std::size_t> UnitsRegion() const = 0;
    virtual std::uint64_t UnitCount() const = 0;
    virtual Node Unit(std::uint64_t index) const = 0;
    std::optional<std::uint64_t> UnitAt(std::uint64_t offset) const;

    // A bitmap array's images, one line each (UTF-8), and which of them this model shows;
    // no lines for a file of one picture. A model of another of them, on the same bytes.
    virtual std::vector<std::string> Images() const = 0;
    virtual std::size_t Image() const = 0;
    virtual std::unique_ptr<StructureModel> OfImage(std::size_t index) const = 0;

    // The innermost row of the tree whose bytes hold the offset, as the indices of the
    // rows that lead to it from the top; empty where none does.
    std::vector<std::size_t> PathAt(std::uint64_t offset) const;
};

// An offset as the view writes it: 0x and uppercase hexadecimal.
std::string HexOffset(std::uint64_t offset);

} // namespace structure
