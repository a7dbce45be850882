#include "inspect/pixel_units.h"

#include "inspect/rle_fault_text.h"

#include <algorithm>
#include <functional>

namespace inspect {

namespace {

// How many run-length codes lie between two remembered states: a code is found by
// walking at most this many from the one before it.
constexpr std::uint64_t kEvery = 256;

} // namespace

const char* KindName(PixelUnit::Kind kind) {
    switch (kind) {
    case PixelUnit::Kind::Row:
        return "row";
    case PixelUnit::Kind::Run:
        return "run";
    case PixelUnit::Kind::Absolute:
        return "absolute";
    case PixelUnit::Kind::Delta:
        return "delta";
    case PixelUnit::Kind::EndOfLine:
        return "end-of-line";
    case PixelUnit::Kind::EndOfBitmap:
        return "end-of-bitmap";
    case PixelUnit::Kind::Unused:
        return "unused";
    }
    return "";
}

PixelUnits::PixelUnits(const bmp::Decoder& decoder, std::uint64_t start, std::uint64_t size)
    : m_decoder(decoder), m_start(start), m_size(size) {
    const bmp::PixelFormat& f = decoder.Format();
    // Only what the file holds of the region has units.
    m_size = std::min<std::uint64_t>(m_size, decoder.Pixels().size());
    if (f.encoding == bmp::Encoding::Huffman) {
        m_count = decoder.HuffmanRows().size();
        if (m_count > 0) {
            const PixelUnit last = HuffmanUnit(m_count - 1);
            m_codesEnd = std::min((last.bit + last.bits + 7) / 8 - m_start, m_size);
        }
        m_count += m_codesEnd < m_size ? 1 : 0;
    } else if (f.IsRle()) {
        const bmp::RleStream& s = decoder.Stream();
        bmp::RleState state;
        bmp::WalkCodes(
            s, state, -1,
            [&](const bmp::RleCode& code) {
                if (m_codes % kEvery == 0)
                    m_checkpoints.push_back(
                        Checkpoint{bmp::RleState{code.at, state.x, state.y}, m_codes});
                ++m_codes;
                m_codesEnd = code.at + code.bytes;
                Advance(s, code, state);
                return true;
            },
            &m_faults);
        m_codesEnd = std::min(m_codesEnd, m_size);
        m_count = m_codes + (m_codesEnd < m_size ? 1 : 0);
    } else if (f.encoding != bmp::Encoding::Embedded && f.Decodes() && f.stride > 0) {
        m_count = std::min<std::uint64_t>(f.height, (m_size + f.stride - 1) / f.stride);
    }
}

PixelUnit PixelUnits::At(std::uint64_t index) const {
    const bmp::PixelFormat& f = m_decoder.Format();
    if (f.encoding == bmp::Encoding::Huffman || f.IsRle()) {
        const std::uint64_t whole = f.IsRle() ? m_codes : m_count - (m_codesEnd < m_size ? 1 : 0);
        if (index < whole) {
            if (f.IsRle())
                return CodeUnit(index).value_or(PixelUnit{});
            return HuffmanUnit(index);
        }
        // The bytes after the last code, which no reader takes.
        PixelUnit rest;
        rest.kind = PixelUnit::Kind::Unused;
        rest.offset = m_start + m_codesEnd;
        rest.size = m_size - m_codesEnd;
        rest.fault = FaultAt(m_codesEnd, m_size, true);
        return rest;
    }
    return RowUnit(index);
}

std::int64_t PixelUnits::PictureY(std::int64_t stored) const {
    const bmp::PixelFormat& f = m_decoder.Format();
    return f.topDown ? stored : f.height - 1 - stored;
}

PixelUnit PixelUnits::RowUnit(std::uint64_t stored) const {
    const bmp::PixelFormat& f = m_decoder.Format();
    PixelUnit u;
    u.offset = m_start + stored * f.stride;
    u.size = std::min(f.stride, m_size - stored * f.stride);
    u.x = 0;
    u.y = PictureY(static_cast<std::int64_t>(stored));
    const std::uint64_t used =
        (static_cast<std::uint64_t>(f.width) * static_cast<std::uint64_t>(f.bits) + 7) / 8;
    u.padding = u.size > used ? u.size - used : 0;
    return u;
}

PixelUnit PixelUnits::HuffmanUnit(std::uint64_t stored) const {
    const std::uint64_t first = m_decoder.HuffmanRows()[stored];
    bmp::HuffmanReader reader(m_decoder.Pixels(), m_decoder.Width());
    reader.Seek(first);
    const bmp::HuffmanRow row = reader.Next();
    PixelUnit u;
    u.bit = 8 * m_start + row.bit;
    u.bits = row.end - row.bit;
    u.offset = m_start + row.bit / 8;
    u.size = std::min((row.end + 7) / 8, m_size) - std::min(row.bit / 8, m_size);
    u.x = 0;
    u.y = PictureY(static_cast<std::int64_t>(stored));
    u.codes = row.codes;
    for (bmp::HuffmanCode& c : u.codes)
        c.bit += 8 * m_start;
    if (row.fault)
        u.fault = row.fault->message;
    return u;
}

// Where decoding stands after a code, as the walk keeps it.
void PixelUnits::Advance(const bmp::RleStream& s, const bmp::RleCode& code, bmp::RleState& at) {
    switch (code.kind) {
    case bmp::RleCode::Kind::Run:
        at.x = std::min(code.run.x + code.asked, s.width), at.y = code.run.y;
        break;
    case bmp::RleCode::Kind::EndOfLine:
        at.x = 0, ++at.y;
        break;
    case bmp::RleCode::Kind::Delta:
        at.x = std::min<std::int64_t>(at.x + s.Byte(code.at + 2), s.width);
        at.y += s.Byte(code.at + 3);
        break;
    case bmp::RleCode::Kind::EndOfBitmap:
        break;
    }
}

PixelUnit PixelUnits::FromCode(const bmp::RleCode& code, bmp::RleState at, bool last) const {
    const bmp::RleStream& s = m_decoder.Stream();
    PixelUnit u;
    u.offset = m_start + code.at;
    u.size = std::min(code.bytes, m_size > code.at ? m_size - code.at : 0);
    if (at.y < s.height)
        u.x = at.x, u.y = PictureY(at.y);
    switch (code.kind) {
    case bmp::RleCode::Kind::Run:
        u.kind = code.run.absolute ? PixelUnit::Kind::Absolute : PixelUnit::Kind::Run;
        u.count = code.asked;
        u.colours = s.bits == 24;
        if (u.colours) {
            // A triple after the count, or one a pixel in an absolute run.
            const std::uint64_t first = code.at + 2;
            for (std::int64_t k = 0; k < (code.run.absolute ? code.asked : 1); ++k) {
                const std::uint64_t p = first + 3 * static_cast<std::uint64_t>(k);
                u.indices.push_back(std::uint32_t{s.Byte(p + 2)} << 16 |
                                    std::uint32_t{s.Byte(p + 1)} << 8 | s.Byte(p));
            }
        } else if (code.run.absolute) {
            for (std::int64_t k = 0; k < code.asked; ++k)
                u.indices.push_back(code.run.At(k));
        } else {
            u.indices.push_back(code.run.At(0));
            if (s.bits == 4)
                u.indices.push_back(code.run.At(1));
        }
        break;
    case bmp::RleCode::Kind::EndOfLine:
        u.kind = PixelUnit::Kind::EndOfLine;
        break;
    case bmp::RleCode::Kind::Delta:
        u.kind = PixelUnit::Kind::Delta;
        u.dx = s.Byte(code.at + 2);
        u.dy = s.Byte(code.at + 3);
        break;
    case bmp::RleCode::Kind::EndOfBitmap:
        u.kind = PixelUnit::Kind::EndOfBitmap;
        break;
    }
    u.fault = FaultAt(code.at, code.at + code.bytes, last);
    return u;
}

std::optional<PixelUnit> PixelUnits::CodeUnit(std::uint64_t index) const {
    const Checkpoint& from = m_checkpoints[index / kEvery];
    const bmp::RleStream& s = m_decoder.Stream();
    std::uint64_t n = from.code;
    bmp::RleState at = from.state;
    std::optional<PixelUnit> found;
    bmp::WalkCodes(
        s, from.state, -1,
        [&](const bmp::RleCode& code) {
            if (n++ < index) {
                Advance(s, code, at);
                return true;
            }
            found = FromCode(code, at, index + 1 == m_codes && m_codesEnd >= m_size);
            return false;
        },
        nullptr);
    return found;
}

void PixelUnits::Each(const std::function<void(const PixelUnit&)>& each) const {
    const bmp::PixelFormat& f = m_decoder.Format();
    if (!f.IsRle()) {
        for (std::uint64_t i = 0; i < m_count; ++i)
            each(At(i));
        return;
    }
    // One walk of the stream, not one from a checkpoint a code.
    const bmp::RleStream& s = m_decoder.Stream();
    std::uint64_t n = 0;
    bmp::RleState at;
    bmp::WalkCodes(
        s, at, -1,
        [&](const bmp::RleCode& code) {
            ++n;
            each(FromCode(code, at, n == m_codes && m_codesEnd >= m_size));
            Advance(s, code, at);
            return n < m_codes;
        },
        nullptr);
    if (m_count > m_codes)
        each(At(m_codes));
}

// The faults the walk found at bytes from..to of the stream; the last unit also takes those
// found where no byte is left.
std::string PixelUnits::FaultAt(std::uint64_t from, std::uint64_t to, bool last) const {
    std::string text;
    for (const bmp::RleDiagnostic& f : m_faults)
        if ((f.at >= from && f.at < to) || (last && f.at >= to))
            text += (text.empty() ? "" : "；") + RleFaultText(f);
    return text;
}

} // namespace inspect
