// "工具" -> "比较两个位图": the open file (or one chosen) and another, in two structure
// views side by side, the fields that differ marked in both and the pixels that differ
// a layer of both pictures.
#include "app/viewer_dlg.h"
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "inspect/compare_fields.h"
#include "inspect/compare_pixels.h"
#include "platform/progress.h"
#include "structure/structure_model.h"
#include "tools/structure_view_command.h"

#include <memory>
#include <vector>

namespace {

// The pixels of two same-sized pictures that differ at all, a bit each; nothing when the
// sizes differ, either does not decode, or a header claims more pixels than its bytes.
std::shared_ptr<std::vector<bool>> Differing(std::span<const std::uint8_t> a,
                                             std::span<const std::uint8_t> b, std::int64_t& width) {
    const auto sa = bmp::ImageStart(a, 0), sb = bmp::ImageStart(b, 0);
    if (!sa || !sb)
        return nullptr;
    const bmp::Decoder da = bmp::Decoder::OfFile(a, bmp::Rules::File, *sa);
    const bmp::Decoder db = bmp::Decoder::OfFile(b, bmp::Rules::File, *sb);
    if (!da.Decodes() || !db.Decodes() || da.Width() != db.Width() || da.Height() != db.Height())
        return nullptr;
    const std::uint64_t area =
        static_cast<std::uint64_t>(da.Width()) * static_cast<std::uint64_t>(da.Height());
    if (area > bmp::MostPixelsOf(std::min(a.size(), b.size())))
        return nullptr;
    width = da.Width();
    auto bits = std::make_shared<std::vector<bool>>(area);
    std::vector<std::uint8_t> ra(static_cast<std::size_t>(width) * 4), rb(ra.size());
    for (std::int64_t y = 0; y < da.Height(); ++y) {
        da.Rgba(y, ra.data());
        db.Rgba(y, rb.data());
        for (std::int64_t x = 0; x < width; ++x)
            if (inspect::PixelDiffers(&ra[static_cast<std::size_t>(x) * 4],
                                      &rb[static_cast<std::size_t>(x) * 4], 0))
                (*bits)[static_cast<std::size_t>(y * width + x)] = true;
    }
    return bits;
}

} // namespace

void CViewerDlg::OnCompareBitmaps() {
    std::string first = m_bOpened ? m_nativePath : std::string();
    if (first.empty() && (first = ChooseStructureFile()).empty())
        return;
    const std::string second = ChooseStructureFile();
    if (second.empty())
        return;
    auto a = OpenStructureModel(first);
    auto b = a != nullptr ? OpenStructureModel(second) : nullptr;
    if (a == nullptr || b == nullptr)
        return;
    views::ComparedViews compared;
    std::int64_t width = 0;
    std::shared_ptr<std::vector<bool>> differing;
    {
        platform::ProgressScope progress("正在比较两个位图……", false);
        const auto startA = bmp::ImageStart(a->Bytes(), 0), startB = bmp::ImageStart(b->Bytes(), 0);
        for (const inspect::ComparedField& f : inspect::CompareFields(
                 a->Bytes(), startA.value_or(0), b->Bytes(), startB.value_or(0))) {
            if (!f.differs)
                continue;
            if (f.a.offset)
                compared.differingA.push_back(*f.a.offset);
            if (f.b.offset)
                compared.differingB.push_back(*f.b.offset);
        }
        differing = Differing(a->Bytes(), b->Bytes(), width);
    }
    if (differing != nullptr)
        compared.differs = [differing, width](std::int64_t x, std::int64_t y) {
            const auto at = static_cast<std::size_t>(y * width + x);
            return x >= 0 && y >= 0 && x < width && at < differing->size() && (*differing)[at];
        };
    views::ShowComparedViews(std::move(a), std::move(b), std::move(compared));
}
