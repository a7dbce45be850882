#include "structure/bmp_structure_model.h"

#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "inspect/check_bitmap.h"
#include "inspect/describe.h"
#include "inspect/structure.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

namespace structure {

namespace {

using Node = StructureModel::Node;

class BmpStructureModel : public StructureModel {
public:
    BmpStructureModel(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes,
                      const std::string& name)
        : m_owner(std::move(owner)), m_bytes(bytes),
          m_start(bmp::ImageStart(m_bytes, 0).value_or(0)),
          m_layout(bmp::ParseFile(m_bytes, m_start)),
          m_decoder(bmp::Decoder::OfFile(m_bytes, bmp::Rules::File, m_start)),
          m_title("结构视图 - " + name) {
        for (const inspect::Region& r : inspect::DescribeStructure(m_bytes).regions) {
            Node region{{r.name, HexOffset(r.offset), std::to_string(r.size), "",
                         r.cut ? "被文件截断" : ""},
                        ByteRange{r.offset, r.size},
                        r.cut,
                        {}};
            for (const inspect::StructureField& f : r.fields)
                region.children.push_back(
                    Node{{f.name, HexOffset(f.offset), std::to_string(f.size), f.value,
                          f.cut ? f.meaning + "（被文件截断）" : f.meaning},
                         ByteRange{f.offset, f.size},
                         f.cut,
                         {}});
            m_tree.push_back(std::move(region));
        }
        for (const inspect::Finding& f : inspect::CheckBitmap(m_bytes))
            m_findings.push_back(Finding{HexOffset(f.offset) + "  " +
                                             inspect::SeverityLabel(f.severity) + "  " + f.id +
                                             "：" + f.message,
                                         f.offset, f.severity == inspect::Severity::Error});
        if (!m_decoder.Decodes())
            m_noPicture = m_decoder.Refusal() + "：这里没有可显示的图像。左边的区域列出它的字节。";
    }

    std::string Title() const override { return m_title; }
    std::span<const std::uint8_t> Bytes() const override { return m_bytes; }
    const std::vector<Node>& Tree() const override { return m_tree; }
    const std::vector<Finding>& Findings() const override { return m_findings; }
    std::int64_t Width() const override { return m_noPicture.empty() ? m_decoder.Width() : 0; }
    std::int64_t Height() const override { return m_noPicture.empty() ? m_decoder.Height() : 0; }
    std::string NoPicture() const override { return m_noPicture; }

    std::uint32_t Colour(std::int64_t x, std::int64_t y) const override {
        const auto p = m_decoder.At(x, y);
        return p ? std::uint32_t{p->r} << 16 | std::uint32_t{p->g} << 8 | p->b : 0;
    }

    std::string Describe(std::int64_t x, std::int64_t y) const override {
        const auto p = m_decoder.At(x, y).value_or(bmp::Bgrs{});
        std::string text = "指针:(" + std::to_string(x) + "," + std::to_string(y) +
                           ") BGRS:" + std::to_string(p.b) + "," + std::to_string(p.g) + "," +
                           std::to_string(p.r) + "," + std::to_string(p.s);
        // 64 bits: the four stored s2.13 values, which the 8-bit colour rounds away.
        if (const auto raw = m_decoder.Raw64(x, y)) {
            char buf[96];
            std::snprintf(buf, sizeof buf, " 存储值 B,G,R,A:%.4f,%.4f,%.4f,%.4f",
                          (*raw)[0] / 8192.0, (*raw)[1] / 8192.0, (*raw)[2] / 8192.0,
                          (*raw)[3] / 8192.0);
            text += buf;
        }
        return text;
    }

    std::optional<ByteRange> BytesOf(std::int64_t x, std::int64_t y) const override {
        const auto where = m_decoder.BytesOf(x, y);
        const std::uint64_t start = m_layout.bfOffBits, size = m_bytes.size();
        if (!m_noPicture.empty() || !where || start >= size || where->offset >= size - start)
            return std::nullopt;
        // The bytes the file holds of it; a pixel past what the reader takes, its first.
        const std::uint64_t at = start + where->offset;
        return ByteRange{
            at, where->read ? std::max<std::uint64_t>(1, std::min(where->size, size - at)) : 1};
    }

    std::optional<PixelSpan> PixelsOf(std::uint64_t at) const override {
        const std::uint64_t start = m_layout.bfOffBits;
        if (!m_noPicture.empty() || at < start || at >= m_bytes.size())
            return std::nullopt;
        return m_decoder.PixelsAt(at - start);
    }

private:
    std::shared_ptr<const void> m_owner;
    std::span<const std::uint8_t> m_bytes;
    std::uint64_t m_start; // of the image shown: 0, or the first of a bitmap array
    bmp::File m_layout;
    bmp::Decoder m_decoder;
    std::string m_title, m_noPicture;
    std::vector<Node> m_tree;
    std::vector<Finding> m_findings;
};

} // namespace

std::unique_ptr<StructureModel> BmpStructureOf(std::span<const std::uint8_t> bytes,
                                               const std::string& name,
                                               std::shared_ptr<const void> owner) {
    return std::make_unique<BmpStructureModel>(std::move(owner), bytes, name);
}

} // namespace structure
