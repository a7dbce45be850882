// A window that explains a file byte by byte: its parts as a tree, every byte in a hex
// view and the picture the bytes make, tied together so that choosing any of them shows
// the others. What the parts and pixels are comes from a model; the window knows no
// file format.
#pragma once

#include "platform/wintypes.h"
#include "structure/structure_model.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace views {

using structure::ByteRange;
using structure::PixelSpan;
using structure::StructureModel;

// What the view asks of the program to open files itself (Ctrl+O, a file dropped on it,
// its recent files): the file chosen in the open dialog (empty when cancelled); a file's
// model, or null once the program has said why not; the files opened in a view lately,
// newest first. And the program's icon.
struct StructureViewHost {
    std::function<std::string()> choose;
    std::function<std::unique_ptr<StructureModel>(const std::string& nativePath)> open;
    std::function<std::vector<std::string>()> recent;
    HICON icon = nullptr;
};
void SetStructureViewHost(StructureViewHost host);

// Where a view opens: a pixel of the picture chosen (its bytes with it), else a byte
// chosen (its field with it), else the first field.
struct StructureViewStart {
    std::optional<std::uint64_t> offset;
    std::optional<std::pair<std::int64_t, std::int64_t>> pixel;
};

// Opens a window on the model beside the program's others, placed apart from the views
// already open; it goes when closed.
void ShowStructureView(std::unique_ptr<StructureModel> model, StructureViewStart start = {});
// Two files' views side by side, linked: the rows of the fields that differ marked in
// each tree (by their offsets), the pixels that differ a layer of both pictures (none
// when the sizes differ), and a pixel chosen in one chosen in the other too.
struct ComparedViews {
    std::vector<std::uint64_t> differingA, differingB;
    std::function<bool(std::int64_t x, std::int64_t y)> differs;
};
void ShowComparedViews(std::unique_ptr<StructureModel> a, std::unique_ptr<StructureModel> b,
                       ComparedViews compared);

// The window as the whole program: returns once it is closed.
int RunStructureView(std::unique_ptr<StructureModel> model);

// What an offset typed by the user means: hexadecimal with 0x or a trailing h, or
// decimal; spaces around it are allowed. Nothing for anything else.
std::optional<std::uint64_t> ParseOffset(const std::string& typed);

} // namespace views
