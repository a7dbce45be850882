// A window that explains a file byte by byte: its parts as a tree, every byte in a hex
// view and the picture the bytes make, tied together so that choosing any of them shows
// the others. What the parts and pixels are comes from a model; the window knows no
// file format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::window {

struct ByteRange {
    std::uint64_t offset = 0, size = 0;
    bool Holds(std::uint64_t at) const { return at >= offset && at - offset < size; }
};

// Pixels x0..x1 of row y (from the top), inclusive.
struct PixelSpan {
    std::int64_t x0 = 0, x1 = 0, y = 0;
};

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
    };
    struct Finding {
        std::string text; // one line, UTF-8
        std::uint64_t offset = 0;
        bool error = false;
    };

    virtual std::string Title() const = 0;
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
    // The bytes that hold a pixel (a run-length code for a run), and the pixels a byte
    // belongs to; nothing for bytes that hold no pixel (padding, headers).
    virtual std::optional<ByteRange> BytesOf(std::int64_t x, std::int64_t y) const = 0;
    virtual std::optional<PixelSpan> PixelsOf(std::uint64_t offset) const = 0;
};

// Opens a window on the model beside the program's others; it goes when closed.
void ShowStructureView(std::unique_ptr<StructureModel> model);
// The window as the whole program: returns once it is closed.
int RunStructureView(std::unique_ptr<StructureModel> model);

// What an offset typed by the user means: hexadecimal with 0x or a trailing h, or
// decimal; spaces around it are allowed. Nothing for anything else.
std::optional<std::uint64_t> ParseOffset(const std::string& typed);

} // namespace platform::window
