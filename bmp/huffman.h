// OS/2's Huffman 1D pixels: each row coded with the one-dimensional Modified Huffman code
// of ITU-T T.4 (the Group 3 fax code), runs alternating white and black from white, bits
// read most significant first. White is colour-table entry 0, black entry 1.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp {

// One code of a row: where its bits lie in the stream, and what it says.
struct HuffmanCode {
    enum class Kind { MakeUp, Terminating, EndOfLine } kind = Kind::Terminating;
    std::uint64_t bit = 0; // from the stream's first bit, most significant first
    int bits = 0;          // its length; an end of line counts the fill bits before it
    bool black = false;
    std::int64_t run = 0; // the pixels it adds
    std::int64_t x = 0;   // the first of them
};

struct HuffmanFault {
    std::uint64_t bit = 0;
    std::string message; // Chinese, UTF-8
};

struct HuffmanRow {
    std::uint64_t bit = 0, end = 0; // its first bit (an end of line before it included)
    std::vector<HuffmanCode> codes;
    std::optional<HuffmanFault> fault; // the row stops there; its other pixels stay white
};

// Row by row, each row decoded from where the one before ended.
class HuffmanReader {
public:
    HuffmanReader(std::span<const std::uint8_t> stream, std::int64_t width);
    // The next stored row's codes; with pixels given, width entries of 0 (white) or 1.
    // Once a row has no bits left, every row after it is all white and faulted.
    HuffmanRow Next(std::uint8_t* pixels = nullptr);
    std::uint64_t Bit() const { return m_bit; }
    void Seek(std::uint64_t bit) { m_bit = bit; }

private:
    std::span<const std::uint8_t> m_stream;
    std::int64_t m_width;
    std::uint64_t m_bit = 0;
};

} // namespace bmp
