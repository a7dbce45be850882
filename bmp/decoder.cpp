#include "bmp/decoder.h"
#include "bmp/checked.h"

#include "bmp/bytes.h"

#include <algorithm>

namespace bmp {

Decoder::Decoder(const Header& h, std::span<const std::uint8_t> table,
                 std::span<const std::uint8_t> pixels, std::uint64_t length, Rules rules,
                 bool masksHeld)
    : m_format(Classify(h, rules, masksHeld)),
      m_pixels(
          pixels.first(static_cast<std::size_t>(std::min<std::uint64_t>(pixels.size(), length)))),
      m_length(length) {
    if (!m_format.Decodes())
        return;
    if (h.bitCount <= 8) {
        // Only whole entries: one the bytes end inside is past the table.
        const std::uint64_t count =
            std::min<std::uint64_t>(h.entriesUsed, table.size() / h.entrySize);
        m_palette.fill(kBlack);
        for (std::uint64_t i = 0; i < count && i < 256; ++i) {
            const std::uint8_t* q = table.data() + h.entrySize * i;
            m_palette[i] =
                0xFF000000u | (std::uint32_t{q[2]} << 16) | (std::uint32_t{q[1]} << 8) | q[0];
        }
    }
    if (m_format.encoding == Encoding::Huffman)
        DecodeHuffman();
    if (m_format.encoding == Encoding::Embedded)
        // A stream whose size the header leaves at 0 runs to the end of the bytes.
        DecodeEmbedded(StorageOf(h).kind == Storage::Png ? StreamKind::Png : StreamKind::Jpeg,
                       m_pixels.empty() ? pixels : m_pixels);
    if (m_format.IsRle())
        m_stream = RleStream{m_pixels.data(),
                             m_pixels.size(),
                             static_cast<std::size_t>(std::min<std::uint64_t>(length, SIZE_MAX)),
                             m_format.width,
                             m_format.height,
                             m_format.bits};
}

void Decoder::DecodeHuffman() {
    // Where each stored row starts, found once; a row is decoded again when asked for.
    // Rows after a fault stay white.
    HuffmanReader reader(m_pixels, m_format.width);
    for (std::int64_t row = 0; row < m_format.height; ++row) {
        const std::uint64_t start = reader.Bit();
        const HuffmanRow decoded = reader.Next();
        m_rowBits.push_back(start);
        if (decoded.fault) {
            m_fault = decoded.fault->message;
            m_faultAt = decoded.fault->bit / 8;
            break;
        }
    }
}

void Decoder::DecodeEmbedded(StreamKind kind, std::span<const std::uint8_t> stream) {
    const char* name = kind == StreamKind::Png ? "PNG" : "JPEG";
    StreamPicture p = DecodeStream(kind, stream);
    const std::uint64_t count =
        static_cast<std::uint64_t>(p.width) * static_cast<std::uint64_t>(p.height);
    if (!p.error.empty() || p.width <= 0 || p.height <= 0 || p.argb.size() != count) {
        m_format.encoding = Encoding::None;
        m_format.refusal = std::string("像素数据是嵌入的 ") + name + " 图像，无法解码：" +
                           (p.error.empty() ? "解码结果不完整" : p.error);
        return;
    }
    // The picture is the stream's own, top row first.
    m_format.width = p.width;
    m_format.height = p.height;
    m_format.topDown = true;
    m_argb = std::move(p.argb);
}

std::optional<HuffmanCode> Decoder::HuffmanCodeAt(std::int64_t x, std::int64_t stored) const {
    if (stored < 0 || static_cast<std::uint64_t>(stored) >= m_rowBits.size())
        return std::nullopt;
    HuffmanReader reader(m_pixels, m_format.width);
    reader.Seek(m_rowBits[static_cast<std::size_t>(stored)]);
    for (const HuffmanCode& c : reader.Next().codes)
        if (c.run > 0 && c.x <= x && x < c.x + c.run)
            return c;
    return std::nullopt;
}

std::uint8_t Decoder::HuffmanIndex(std::int64_t x, std::int64_t stored) const {
    if (stored < 0 || static_cast<std::uint64_t>(stored) >= m_rowBits.size())
        return 0; // after a fault: white
    if (m_cachedRow != stored) {
        m_rowCache.resize(static_cast<std::size_t>(m_format.width));
        HuffmanReader reader(m_pixels, m_format.width);
        reader.Seek(m_rowBits[static_cast<std::size_t>(stored)]);
        reader.Next(m_rowCache.data());
        m_cachedRow = stored;
    }
    return m_rowCache[static_cast<std::size_t>(x)];
}

Decoder::Decoder(Decoder&&) noexcept = default;
Decoder& Decoder::operator=(Decoder&&) noexcept = default;
Decoder::~Decoder() = default;

Decoder Decoder::OfFile(std::span<const std::uint8_t> file, Rules rules, std::uint64_t at) {
    const File lay = ParseFile(file, at);
    const Header& h = lay.header;
    const std::uint64_t off = lay.bfOffBits;
    const std::uint64_t tableEnd = std::min<std::uint64_t>(off, file.size());
    const auto table = h.tableOffset < tableEnd
                           ? file.subspan(static_cast<std::size_t>(h.tableOffset),
                                          static_cast<std::size_t>(tableEnd - h.tableOffset))
                           : std::span<const std::uint8_t>();
    const auto pixels = off < file.size() ? file.subspan(static_cast<std::size_t>(off))
                                          : std::span<const std::uint8_t>();
    Decoder d(h, table, pixels, h.usedSize, rules);
    if (!lay.signature) {
        d.m_format.encoding = Encoding::None;
        d.m_format.refusal = "没有可读的信息头";
    }
    return d;
}

const RleIndex* Decoder::Runs() const {
    if (!m_runsTried && m_format.IsRle())
        m_runs = RleIndex::Make(m_stream);
    m_runsTried = true;
    return m_runs.get();
}

std::uint32_t Decoder::Surface(std::int64_t x, std::int64_t y) const {
    const auto p = At(x, y);
    return p ? 0xFF000000u | std::uint32_t{p->r} << 16 | std::uint32_t{p->g} << 8 | p->b : kBlack;
}

void Decoder::Row(std::int64_t y, std::uint32_t* out, Skipped skipped) const {
    const PixelFormat& f = m_format;
    const std::int64_t n = f.width;
    if (!Decodes() || y < 0 || y >= f.height || n == 0)
        return;
    const std::int64_t stored = f.topDown ? y : f.height - 1 - y;
    if (f.encoding == Encoding::Embedded) {
        std::copy_n(m_argb.data() + static_cast<std::size_t>(y * n), static_cast<std::size_t>(n),
                    out);
        return;
    }
    if (f.encoding == Encoding::Huffman) {
        for (std::int64_t x = 0; x < n; ++x)
            out[x] = m_palette[HuffmanIndex(x, stored)];
        return;
    }
    if (f.IsRle()) {
        const std::uint32_t none = skipped == Skipped::Transparent              ? 0
                                   : skipped == Skipped::Entry0 && f.bits != 24 ? m_palette[0]
                                                                                : kBlack;
        std::fill(out, out + n, none);
        auto put = [&](const RleCode& code) {
            for (std::int64_t k = 0; k < code.run.n; ++k) {
                const std::uint32_t v = RunPixel(m_stream, code, k);
                out[code.run.x + k] = f.bits == 24 ? 0xFF000000u | v : m_palette[v & 0xFF];
            }
        };
        if (const RleIndex* runs = Runs())
            runs->ForEachRunOn(stored, put);
        else
            WalkRle(m_stream, [&](const RleCode& code) {
                if (code.kind == RleCode::Kind::Run && code.run.y == stored)
                    put(code);
            });
        return;
    }
    std::uint64_t start = 0;
    const std::uint64_t need =
        (static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(f.bits) + 7) / 8;
    // A row the bytes hold whole takes the drawing's loop; any other, pixel by pixel.
    if (CheckedMul(static_cast<std::uint64_t>(stored), f.stride, start) &&
        RangeInside(start, need, m_pixels.size())) {
        const std::uint8_t* row = m_pixels.data() + start;
        AtDepth([&]<int Bits, bool Masked>() {
            for (std::int64_t c = 0; c < n; ++c)
                out[c] = Fetch<Bits, Masked>(row, c);
        });
        return;
    }
    for (std::int64_t x = 0; x < n; ++x)
        out[x] = Surface(x, y);
}

void Decoder::Rgba(std::int64_t y, std::uint8_t* out, Skipped skipped) const {
    const std::int64_t n = m_format.width;
    if (!Decodes() || y < 0 || y >= m_format.height)
        return;
    std::vector<std::uint32_t> row(static_cast<std::size_t>(n));
    Row(y, row.data(), skipped);
    // Masks keep their alpha out of the surface pixel: it is read pixel by pixel.
    const bool maskedAlpha = m_format.encoding == Encoding::Masked && m_format.alphaInForce;
    for (std::int64_t x = 0; x < n; ++x) {
        const std::uint32_t v = row[static_cast<std::size_t>(x)];
        std::uint8_t* p = out + 4 * x;
        p[0] = static_cast<std::uint8_t>(v >> 16);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v);
        p[3] = maskedAlpha ? At(x, y)->s : static_cast<std::uint8_t>(v >> 24);
    }
}

std::optional<RleCode> Decoder::CodeAt(std::int64_t x, std::int64_t stored) const {
    if (const RleIndex* runs = Runs())
        return runs->CodeAt(x, stored);
    // No memory for the index: this read walks the stream itself.
    std::optional<RleCode> found;
    WalkRle(m_stream, [&](const RleCode& code) {
        if (code.kind == RleCode::Kind::Run && code.run.y == stored && code.run.x <= x &&
            x < code.run.x + code.run.n) {
            found = code;
            found->run.data = nullptr;
        }
    });
    return found;
}

std::optional<Bgrs> Decoder::At(std::int64_t x, std::int64_t y, Skipped skipped,
                                bool* unset) const {
    if (!Decodes() || x < 0 || y < 0 || x >= Width() || y >= Height())
        return std::nullopt;
    if (unset != nullptr)
        *unset = false;
    const PixelFormat& f = m_format;
    std::uint32_t colour = 0;
    std::uint8_t s = 0;
    if (f.encoding == Encoding::Embedded) {
        colour = m_argb[static_cast<std::size_t>(y * f.width + x)];
        s = static_cast<std::uint8_t>(colour >> 24);
    } else if (f.encoding == Encoding::Huffman) {
        colour = m_palette[HuffmanIndex(x, f.topDown ? y : f.height - 1 - y)];
    } else if (f.IsRle()) {
        const std::int64_t stored = f.topDown ? y : f.height - 1 - y;
        const auto code = CodeAt(x, stored);
        if (!code) {
            if (unset != nullptr)
                *unset = true;
            // A stream of colours has no entry 0: its unset pixels are black.
            colour = skipped == Skipped::Entry0 && f.bits != 24 ? m_palette[0] : 0;
        } else {
            const std::uint32_t v = RunPixel(m_stream, *code, x - code->run.x);
            colour = f.bits == 24 ? v : m_palette[v & 0xFF];
        }
    } else {
        const std::int64_t stored = f.topDown ? y : f.height - 1 - y;
        const std::uint64_t n = f.bits < 8 ? 1 : static_cast<std::uint64_t>(f.bits) / 8;
        std::uint64_t rowStart = 0, at = 0;
        if (!CheckedMul(static_cast<std::uint64_t>(stored), f.stride, rowStart) ||
            !CheckedAdd(rowStart,
                        static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(f.bits) / 8,
                        at) ||
            !RangeInside(at, n, m_length))
            return Bgrs{}; // past what the reader takes: black, as drawn
        std::uint8_t copy[8] = {};
        const std::uint8_t* p = copy;
        if (RangeInside(at, n, m_pixels.size())) {
            p = m_pixels.data() + at;
        } else {
            // Bytes the file lacks read as zeros (and a file may hold none of them).
            for (std::uint64_t k = 0; k < n; ++k)
                copy[k] = at + k < m_pixels.size() ? m_pixels[at + k] : 0;
        }
        colour = ColourOf(p, x, f.bits, f.encoding);
        if (f.encoding == Encoding::Rgba64) {
            s = static_cast<std::uint8_t>(colour >> 24);
        } else if (f.alphaInForce) {
            std::uint32_t v = 0;
            std::memcpy(&v, p, n);
            s = f.alpha.Extract(v);
        } else if (f.bits == 32) {
            s = p[3];
        }
    }
    return Bgrs{static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                static_cast<std::uint8_t>(colour >> 16), s};
}

std::optional<PixelBytes> Decoder::BytesOf(std::int64_t x, std::int64_t y) const {
    if (!Decodes() || x < 0 || y < 0 || x >= Width() || y >= Height())
        return std::nullopt;
    const PixelFormat& f = m_format;
    const std::int64_t stored = f.topDown ? y : f.height - 1 - y;
    PixelBytes p;
    if (f.encoding == Encoding::Embedded)
        return std::nullopt; // a compressed stream's pixel has no bytes of its own
    if (f.encoding == Encoding::Huffman) {
        const auto code = HuffmanCodeAt(x, stored);
        if (!code)
            return std::nullopt; // after a fault: no code sets it
        p.huffman = code;
        p.offset = code->bit / 8;
        p.size = (code->bit + static_cast<std::uint64_t>(code->bits) + 7) / 8 - p.offset;
        p.bit = 7 - static_cast<int>(code->bit % 8);
        return p;
    }
    if (f.IsRle()) {
        const auto code = CodeAt(x, stored);
        if (!code)
            return std::nullopt;
        p.code = code;
        p.offset = code->at;
        p.size = code->bytes;
        if (code->run.absolute) {
            // A literal pixel is the bytes (at 4 bits, the half byte) that hold it.
            const auto k = static_cast<std::uint64_t>(x - code->run.x);
            const bool four = f.bits == 4;
            const std::uint64_t each = f.bits == 24 ? 3 : 1;
            p.offset = code->at + 2 + (four ? k / 2 : k * each);
            p.size = each;
            if (four)
                p.bit = k % 2 == 0 ? 7 : 3;
        }
        return p;
    }
    const int bits = f.bits;
    std::uint64_t rowStart = 0;
    if (!CheckedMul(static_cast<std::uint64_t>(stored), f.stride, rowStart) ||
        !CheckedAdd(rowStart, static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(bits) / 8,
                    p.offset))
        return std::nullopt; // beyond any offset
    p.size = bits < 8 ? 1 : static_cast<std::uint64_t>(bits) / 8;
    if (bits < 8)
        p.bit = 7 - static_cast<int>(static_cast<std::uint64_t>(x) * bits % 8);
    // A pixel past what the reader takes is drawn black, whatever the file holds.
    p.read = RangeInside(p.offset, p.size, m_length);
    return p;
}

std::optional<PixelSpan> Decoder::PixelsAt(std::uint64_t rel) const {
    if (!Decodes() || Width() == 0)
        return std::nullopt;
    const PixelFormat& f = m_format;
    const auto bits = static_cast<std::uint64_t>(f.bits);
    const auto width = static_cast<std::uint64_t>(f.width);
    const auto rows = static_cast<std::uint64_t>(f.height);
    if (f.encoding == Encoding::Embedded)
        return std::nullopt;
    if (f.encoding == Encoding::Huffman) {
        // The row whose bits hold the byte, and the pixels of its codes there.
        const auto it = std::upper_bound(m_rowBits.begin(), m_rowBits.end(), rel * 8);
        if (it == m_rowBits.begin())
            return std::nullopt;
        const auto stored = static_cast<std::int64_t>(it - m_rowBits.begin() - 1);
        HuffmanReader reader(m_pixels, f.width);
        reader.Seek(*(it - 1));
        std::optional<PixelSpan> span;
        for (const HuffmanCode& c : reader.Next().codes) {
            const std::uint64_t last = c.bit + static_cast<std::uint64_t>(c.bits) - 1;
            if (c.run == 0 || last < rel * 8 || c.bit >= rel * 8 + 8)
                continue;
            const std::int64_t y = f.topDown ? stored : f.height - 1 - stored;
            if (!span)
                span = PixelSpan{c.x, c.x + c.run - 1, y};
            else
                span->x1 = c.x + c.run - 1;
        }
        return span;
    }
    if (f.IsRle()) {
        const RleIndex* runs = Runs();
        std::optional<RleCode> code;
        if (runs != nullptr)
            code = runs->CodeHolding(rel);
        else
            WalkRle(m_stream, [&](const RleCode& c) {
                if (c.kind == RleCode::Kind::Run && c.run.n > 0 && rel >= c.at &&
                    rel - c.at < c.bytes)
                    code = c;
            });
        if (!code)
            return std::nullopt;
        std::int64_t x0 = code->run.x, x1 = code->run.x + code->run.n - 1;
        // Inside a literal run, the byte's own pixels.
        if (code->run.absolute && rel >= code->at + 2) {
            const auto k = static_cast<std::int64_t>(rel - code->at - 2);
            const auto b = static_cast<std::int64_t>(bits);
            x0 = code->run.x + k * 8 / b;
            x1 = std::min(x1, code->run.x + ((k + 1) * 8 - 1) / b);
            if (x0 > x1)
                return std::nullopt; // the pad byte
        }
        return PixelSpan{x0, x1, f.topDown ? code->run.y : f.height - 1 - code->run.y};
    }
    if (f.stride == 0 || rel >= m_length)
        return std::nullopt;
    const std::uint64_t row = rel / f.stride, column = rel % f.stride;
    if (row >= rows || column >= (width * bits + 7) / 8)
        return std::nullopt; // past the last row, or a row's padding
    const auto y = static_cast<std::int64_t>(f.topDown ? row : rows - 1 - row);
    const std::uint64_t x0 = column * 8 / bits;
    const std::uint64_t x1 = std::min(width - 1, ((column + 1) * 8 - 1) / bits);
    return PixelSpan{static_cast<std::int64_t>(x0), static_cast<std::int64_t>(x1), y};
}

} // namespace bmp

namespace bmp {

std::optional<std::uint64_t> Decoder::Stored(std::int64_t x, std::int64_t y) const {
    const auto where = BytesOf(x, y);
    if (!where || !where->read)
        return std::nullopt;
    const PixelFormat& f = m_format;
    const std::int64_t stored = f.topDown ? y : f.height - 1 - y;
    if (f.encoding == Encoding::Huffman)
        return HuffmanIndex(x, stored);
    if (f.IsRle())
        return RunPixel(m_stream, *where->code, x - where->code->run.x);
    std::uint64_t v = 0;
    for (std::uint64_t k = where->size; k-- > 0;) {
        const std::uint64_t at = where->offset + k;
        v = v << 8 | (at < m_pixels.size() ? m_pixels[at] : 0);
    }
    if (f.bits < 8)
        v = (v >> (*where->bit + 1 - f.bits)) & ((1u << f.bits) - 1);
    return v;
}

std::optional<std::array<std::int16_t, 4>> Decoder::Raw64(std::int64_t x, std::int64_t y) const {
    if (m_format.encoding != Encoding::Rgba64)
        return std::nullopt;
    const auto where = BytesOf(x, y);
    if (!where)
        return std::nullopt;
    std::array<std::int16_t, 4> v{};
    for (std::size_t k = 0; k < 4; ++k) {
        const std::uint64_t at = where->offset + 2 * k;
        const std::uint16_t lo = at < m_pixels.size() ? m_pixels[at] : 0;
        const std::uint16_t hi = at + 1 < m_pixels.size() ? m_pixels[at + 1] : 0;
        v[k] = static_cast<std::int16_t>(lo | hi << 8);
    }
    return v;
}

} // namespace bmp
