#include "structure/bmp_structure_model.h"

#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/layout.h"
#include "inspect/check_bitmap.h"
#include "inspect/describe.h"
#include "inspect/pixel_decoding.h"
#include "inspect/pixel_units.h"
#include "inspect/structure.h"
#include "structure/decoding_text.h"
#include "structure/unit_node.h"

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
                      const std::string& name, std::size_t image)
        : m_owner(std::move(owner)), m_bytes(bytes), m_name(name), m_image(image),
          m_start(bmp::ImageStart(m_bytes, image).value_or(0)),
          m_layout(bmp::ParseFile(m_bytes, m_start)),
          m_decoder(bmp::Decoder::OfFile(m_bytes, bmp::Rules::File, m_start)),
          m_title("结构视图 - " + name) {
        if (bmp::IsBitmapArray(m_bytes)) {
            const std::vector<std::uint64_t> starts = bmp::ParseBitmapArray(m_bytes).Images();
            for (std::size_t i = 0; i < starts.size(); ++i)
                m_images.push_back(ImageLine(i, starts[i]));
            if (m_images.size() > 1)
                m_title += "（图像 " + std::to_string(m_image) + "）";
        }
        for (const inspect::Region& r : inspect::DescribeStructure(m_bytes, m_image).regions) {
            // An embedded stream's parts are its fields already.
            if (r.pixels && m_decoder.Decodes() &&
                m_decoder.Format().encoding != bmp::Encoding::Embedded &&
                r.offset + r.size > m_layout.bfOffBits) {
                m_unitsRegion = m_tree.size();
                m_unitsSize = r.offset + r.size - m_layout.bfOffBits;
            }
            Node region{{r.name, HexOffset(r.offset), std::to_string(r.size), "",
                         r.cut ? "被文件截断" : ""},
                        ByteRange{r.offset, r.size},
                        r.cut,
                        {},
                        {}};
            const bool table = r.name == "颜色表";
            for (const inspect::StructureField& f : r.fields) {
                region.children.push_back(
                    Node{{f.name, HexOffset(f.offset), std::to_string(f.size), f.value,
                          f.cut ? f.meaning + "（被文件截断）" : f.meaning},
                         ByteRange{f.offset, f.size},
                         f.cut,
                         {},
                         {}});
                // An entry's blue, green and red bytes, as the drawing takes them.
                if (table && f.size >= 3 && f.offset + 3 <= m_bytes.size())
                    region.children.back().swatch = std::uint32_t{m_bytes[f.offset + 2]} << 16 |
                                                    std::uint32_t{m_bytes[f.offset + 1]} << 8 |
                                                    m_bytes[f.offset];
            }
            m_tree.push_back(std::move(region));
        }
        for (const inspect::Finding& f : inspect::CheckBitmap(m_bytes, m_image))
            m_findings.push_back(Finding{HexOffset(f.offset) + "  " +
                                             inspect::SeverityLabel(f.severity) + "  " + f.id +
                                             "：" + f.message,
                                         f.offset, f.severity == inspect::Severity::Error});
        if (!m_decoder.Decodes())
            m_noPicture = m_decoder.Refusal() + "：这里没有可显示的图像。左边的区域列出它的字节。";
    }

    std::string Title() const override { return m_title; }
    std::string Name() const override { return m_name; }
    std::optional<std::size_t> UnitsRegion() const override { return m_unitsRegion; }
    std::uint64_t UnitCount() const override { return m_unitsRegion ? Units().Count() : 0; }
    Node Unit(std::uint64_t index) const override { return UnitNode(Units().At(index)); }
    std::vector<std::string> Images() const override { return m_images; }
    std::size_t Image() const override { return m_image; }
    std::unique_ptr<StructureModel> OfImage(std::size_t index) const override {
        return std::make_unique<BmpStructureModel>(m_owner, m_bytes, m_name, index);
    }
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

    std::string Decoding(std::int64_t x, std::int64_t y) const override {
        if (!m_noPicture.empty())
            return "";
        return DecodingText(inspect::DecodePixel(m_decoder, m_layout.header, m_bytes, x, y),
                            m_decoder.Format().bits);
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
    // Made when first asked for: a stream's index of its codes walks all of it.
    const inspect::PixelUnits& Units() const {
        if (!m_units)
            m_units =
                std::make_unique<inspect::PixelUnits>(m_decoder, m_layout.bfOffBits, m_unitsSize);
        return *m_units;
    }

    std::string ImageLine(std::size_t index, std::uint64_t start) const {
        const bmp::File f = bmp::ParseFile(m_bytes, start);
        std::string type = start + 2 <= m_bytes.size()
                               ? std::string{static_cast<char>(m_bytes[start]),
                                             static_cast<char>(m_bytes[start + 1])}
                               : "";
        for (char& c : type)
            if (c < 0x20 || c > 0x7E)
                c = '?';
        return "图像 " + std::to_string(index) + "：" + type + "，" +
               std::to_string(f.header.width) + " × " + std::to_string(f.header.height) + "，" +
               std::to_string(f.header.bitCount) + " 位，在 " + HexOffset(start);
    }

    std::shared_ptr<const void> m_owner;
    std::span<const std::uint8_t> m_bytes;
    std::string m_name;
    std::size_t m_image;
    std::uint64_t m_start; // of the image shown: 0, or one of a bitmap array's
    bmp::File m_layout;
    bmp::Decoder m_decoder;
    std::string m_title, m_noPicture;
    std::vector<Node> m_tree;
    std::vector<Finding> m_findings;
    std::vector<std::string> m_images;
    std::optional<std::size_t> m_unitsRegion;
    std::uint64_t m_unitsSize = 0;
    mutable std::unique_ptr<inspect::PixelUnits> m_units;
};

} // namespace

std::unique_ptr<StructureModel> BmpStructureOf(std::span<const std::uint8_t> bytes,
                                               const std::string& name,
                                               std::shared_ptr<const void> owner,
                                               std::size_t image) {
    return std::make_unique<BmpStructureModel>(std::move(owner), bytes, name, image);
}

} // namespace structure
