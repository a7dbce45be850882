// The pixel data of a picture unit by unit, in file order: each stored row of an
// uncompressed picture, each code of a run-length stream, each row of a Huffman 1D
// stream with its codes. Units are made when asked for, so a stream of millions of codes
// costs an index of a few of them.
#pragma once

#include "bmp/decoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace inspect {

struct PixelUnit {
    enum class Kind { Row, Run, Absolute, Delta, EndOfLine, EndOfBitmap, Unused };
    Kind kind = Kind::Row;
    std::uint64_t offset = 0, size = 0; // in the file
    // Where it starts, from the picture's top left; nothing once decoding has left the
    // picture.
    std::optional<std::int64_t> x, y;
    std::uint64_t padding = 0;           // Row: the bytes after its pixels
    std::int64_t count = 0;              // Run, Absolute: the pixels it asks for
    std::vector<std::uint32_t> indices;  // Run: its index (RLE4: the two it alternates);
                                         // Absolute: each pixel's; RLE24: 0xRRGGBB colours
    bool colours = false;                // the values are RLE24's colours, not indices
    int dx = 0, dy = 0;                  // Delta
    std::uint64_t bit = 0, bits = 0;     // Huffman row: its first bit in the file, its length
    std::vector<bmp::HuffmanCode> codes; // Huffman row
    std::string fault;                   // what is wrong at this unit (UTF-8), or empty
};

// "row", "run", "absolute", "delta", "end-of-line", "end-of-bitmap", "unused".
const char* KindName(PixelUnit::Kind kind);

class PixelUnits {
public:
    // decoder: the picture's; start: where its pixel data begins in the file, and size
    // how much of the file the pixel data's region takes.
    PixelUnits(const bmp::Decoder& decoder, std::uint64_t start, std::uint64_t size);

    std::uint64_t Count() const { return m_count; }
    PixelUnit At(std::uint64_t index) const;
    // Every unit in turn, faster than At for each.
    void Each(const std::function<void(const PixelUnit&)>& each) const;

private:
    struct Checkpoint {
        bmp::RleState state;
        std::uint64_t code = 0;
    };
    PixelUnit RowUnit(std::uint64_t stored) const;
    PixelUnit HuffmanUnit(std::uint64_t stored) const;
    std::optional<PixelUnit> CodeUnit(std::uint64_t index) const;
    PixelUnit FromCode(const bmp::RleCode& code, bmp::RleState at, bool last) const;
    static void Advance(const bmp::RleStream& s, const bmp::RleCode& code, bmp::RleState& at);
    std::int64_t PictureY(std::int64_t stored) const;
    std::string FaultAt(std::uint64_t from, std::uint64_t to, bool last) const;

    const bmp::Decoder& m_decoder;
    std::uint64_t m_start, m_size;
    std::uint64_t m_count = 0;
    std::uint64_t m_codes = 0, m_codesEnd = 0; // run-length codes, and where they end
    std::vector<Checkpoint> m_checkpoints;     // every kEvery-th code's state before it
    std::vector<bmp::RleDiagnostic> m_faults;
};

} // namespace inspect
