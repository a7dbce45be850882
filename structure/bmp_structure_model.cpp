#include "structure/bmp_structure_model.h"

#include "bmp/layout.h"
#include "inspect/check_bitmap.h"
#include "inspect/describe.h"
#include "inspect/pixel_decoder.h"
#include "inspect/pixel_location.h"
#include "inspect/structure.h"
#include "platform/gdi/rle.h"
#include "platform/mapped_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

namespace structure {

namespace {

using platform::window::ByteRange;
using platform::window::PixelSpan;
using Node = platform::window::StructureModel::Node;

std::string Hex(std::uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

class BmpStructureModel : public platform::window::StructureModel {
public:
    BmpStructureModel(std::unique_ptr<platform::MappedFile> file,
                      std::span<const std::uint8_t> bytes, const std::string& name)
        : m_file(std::move(file)), m_bytes(bytes), m_layout(bmp::ParseFile(m_bytes)),
          m_decoder(m_bytes), m_title("结构视图 - " + name) {
        for (const inspect::Region& r : inspect::DescribeStructure(m_bytes).regions) {
            Node region{
                {r.name, Hex(r.offset), std::to_string(r.size), "", r.cut ? "被文件截断" : ""},
                ByteRange{r.offset, r.size},
                r.cut,
                {}};
            for (const inspect::StructureField& f : r.fields)
                region.children.push_back(
                    Node{{f.name, Hex(f.offset), std::to_string(f.size), f.value,
                          f.cut ? f.meaning + "（被文件截断）" : f.meaning},
                         ByteRange{f.offset, f.size},
                         f.cut,
                         {}});
            m_tree.push_back(std::move(region));
        }
        for (const inspect::Finding& f : inspect::CheckBitmap(m_bytes))
            m_findings.push_back(Finding{Hex(f.offset) + "  " + inspect::SeverityLabel(f.severity) +
                                             "  " + f.id + "：" + f.message,
                                         f.offset, f.severity == inspect::Severity::Error});
        const std::uint32_t c = m_layout.header.compression;
        const bool os2 = m_layout.header.kind == bmp::HeaderKind::Os2;
        m_runLength = c == 1 || c == 2 || (os2 && c == 4);
        if (!m_decoder.Refusal().empty())
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
        const auto p = m_decoder.At(x, y).value_or(inspect::Bgrs{});
        return "指针:(" + std::to_string(x) + "," + std::to_string(y) +
               ") BGRS:" + std::to_string(p.b) + "," + std::to_string(p.g) + "," +
               std::to_string(p.r) + "," + std::to_string(p.s);
    }

    std::optional<ByteRange> BytesOf(std::int64_t x, std::int64_t y) const override {
        if (!m_noPicture.empty() || x < 0 || y < 0 || x >= Width() || y >= Height())
            return std::nullopt;
        if (const auto kept = KeptBytesOf(x, y))
            return *kept;
        std::string error;
        const auto where = inspect::LocatePixel(m_bytes, x, y, error);
        if (!where || !where->offset || *where->offset >= m_bytes.size())
            return std::nullopt;
        return ByteRange{*where->offset, std::max<std::uint64_t>(1, where->bytes.size())};
    }

    std::optional<PixelSpan> PixelsOf(std::uint64_t at) const override {
        const std::uint64_t start = m_layout.bfOffBits;
        if (!m_noPicture.empty() || at < start || at >= m_bytes.size())
            return std::nullopt;
        return m_runLength ? RunOf(at - start) : RowPixelsOf(at - start);
    }

private:
    // In rows of pixels: the pixels whose bits the byte holds.
    std::optional<PixelSpan> RowPixelsOf(std::uint64_t rel) const {
        const bmp::Header& h = m_layout.header;
        const auto bits = static_cast<std::uint64_t>(h.bitCount);
        const auto width = static_cast<std::uint64_t>(m_decoder.Width());
        if (h.stride == 0 || rel >= h.usedSize)
            return std::nullopt;
        const std::uint64_t row = rel / h.stride, column = rel % h.stride;
        if (row >= h.rows || column >= (width * bits + 7) / 8)
            return std::nullopt; // past the last row, or a row's padding
        const auto y = static_cast<std::int64_t>(h.height < 0 ? row : h.rows - 1 - row);
        const std::uint64_t x0 = column * 8 / bits;
        const std::uint64_t x1 = std::min(width - 1, ((column + 1) * 8 - 1) / bits);
        return PixelSpan{static_cast<std::int64_t>(x0), static_cast<std::int64_t>(x1), y};
    }

    // In a run-length stream: the pixels the code holding the byte sets, narrowed to the
    // byte's own pixels inside a literal run.
    std::optional<PixelSpan> RunOf(std::uint64_t rel) const {
        const Code* code = CodeAt(rel);
        if (code == nullptr)
            return std::nullopt;
        const bmp::Header& h = m_layout.header;
        const std::int64_t bits = h.compression == 2 ? 4 : h.compression == 1 ? 8 : 24;
        std::int64_t x0 = code->x, x1 = code->x + code->n - 1;
        if (code->absolute && rel >= code->at + 2) {
            const auto k = static_cast<std::int64_t>(rel - code->at - 2);
            x0 = code->x + k * 8 / bits;
            x1 = std::min(x1, code->x + ((k + 1) * 8 - 1) / bits);
            if (x0 > x1)
                return std::nullopt; // the pad byte
        }
        return PixelSpan{x0, x1, h.height < 0 ? code->y : m_decoder.Height() - 1 - code->y};
    }

    struct Code {
        std::uint64_t at, bytes;
        std::int64_t x, y, n;
        bool absolute;
    };

    // The codes of a stream small enough to keep them (at most 24 bytes a code of two
    // bytes or more), walked once; null for a larger one, walked for each question.
    const std::vector<Code>* Codes() const {
        constexpr std::uint64_t kKept = 4 << 20;
        if (m_layout.header.usedSize > kKept)
            return nullptr;
        if (!m_codesWalked)
            Walk([&](const Code& c) { m_codes.push_back(c); });
        m_codesWalked = true;
        return &m_codes;
    }

    const Code* CodeAt(std::uint64_t rel) const {
        if (const std::vector<Code>* codes = Codes()) {
            const auto it =
                std::partition_point(codes->begin(), codes->end(),
                                     [rel](const Code& c) { return c.at + c.bytes <= rel; });
            return it != codes->end() && it->at <= rel ? &*it : nullptr;
        }
        m_codes.clear();
        Walk([&](const Code& c) {
            if (rel >= c.at && rel < c.at + c.bytes)
                m_codes.push_back(c);
        });
        return m_codes.empty() ? nullptr : &m_codes.front();
    }

    // A pixel's bytes through the kept codes: a literal pixel's own byte or bytes, or the
    // code of the run that sets it.
    std::optional<std::optional<ByteRange>> KeptBytesOf(std::int64_t x, std::int64_t y) const {
        const std::vector<Code>* codes = m_runLength ? Codes() : nullptr;
        if (codes == nullptr)
            return std::nullopt;
        const bmp::Header& h = m_layout.header;
        const std::int64_t stored = h.height < 0 ? y : m_decoder.Height() - 1 - y;
        const auto it = std::partition_point(codes->begin(), codes->end(), [&](const Code& c) {
            return c.y < stored || (c.y == stored && c.x + c.n <= x);
        });
        if (it == codes->end() || it->y != stored || it->x > x)
            return std::optional<ByteRange>();
        const auto k = static_cast<std::uint64_t>(x - it->x);
        const std::uint64_t each = h.compression == 1 ? 1 : h.compression == 2 ? 0 : 3;
        ByteRange r{m_layout.bfOffBits + it->at, it->bytes};
        if (it->absolute)
            r = ByteRange{m_layout.bfOffBits + it->at + 2 + (each == 0 ? k / 2 : k * each),
                          std::max<std::uint64_t>(each, 1)};
        if (r.offset >= m_bytes.size())
            return std::optional<ByteRange>();
        r.size = std::min(r.size, m_bytes.size() - r.offset);
        return std::optional<ByteRange>(r);
    }

    void Walk(const std::function<void(const Code&)>& onCode) const {
        const bmp::Header& h = m_layout.header;
        const std::uint64_t length = h.usedSize;
        // The stream as the decoder reads it: what the file lacks of it is zeros.
        const std::uint64_t off = m_layout.bfOffBits;
        const std::uint64_t held =
            off < m_bytes.size() ? std::min<std::uint64_t>(m_bytes.size() - off, length) : 0;
        const auto each = [&](const platform::gdi::RleCode& code) {
            if (code.kind == platform::gdi::RleCode::Kind::Run && code.run.n > 0)
                onCode(Code{code.at, code.bytes, code.run.x, code.run.y, code.run.n,
                            code.run.absolute});
        };
        const std::uint8_t* stream = m_bytes.data() + (held > 0 ? off : 0);
        const int bits = h.compression == 2 ? 4 : h.compression == 1 ? 8 : 24;
        platform::gdi::WalkRleOfDepth(stream, held, length, m_decoder.Width(), m_decoder.Height(),
                                      bits, each);
    }

    std::unique_ptr<platform::MappedFile> m_file;
    std::span<const std::uint8_t> m_bytes;
    bmp::File m_layout;
    inspect::PixelDecoder m_decoder;
    std::string m_title, m_noPicture;
    bool m_runLength = false;
    std::vector<Node> m_tree;
    std::vector<Finding> m_findings;
    mutable std::vector<Code> m_codes;
    mutable bool m_codesWalked = false;
};

} // namespace

std::unique_ptr<platform::window::StructureModel>
OpenBmpStructure(const std::string& nativePath, const std::string& name, std::string& error) {
    auto file = std::make_unique<platform::MappedFile>(nativePath);
    if (file->Error() != 0) {
        error = "无法读取“" + name + "”：" + std::strerror(file->Error());
        return nullptr;
    }
    try {
        const auto bytes = file->Bytes();
        return std::make_unique<BmpStructureModel>(std::move(file), bytes, name);
    } catch (const std::bad_alloc&) {
        error = "内存不足，无法读取“" + name + "”的游程编码流";
        return nullptr;
    }
}

} // namespace structure

namespace structure {

std::unique_ptr<platform::window::StructureModel>
BmpStructureOf(std::span<const std::uint8_t> bytes, const std::string& name) {
    return std::make_unique<BmpStructureModel>(nullptr, bytes, name);
}

} // namespace structure
