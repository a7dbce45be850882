#include "bmp/huffman.h"

#include <array>
#include <cstring>

namespace bmp {
namespace {

struct CodeSpec {
    const char* bits;
    int run; // -1: end of line
};

// T.4 table 2: terminating codes, white then black, runs 0 to 63.
constexpr CodeSpec kWhiteTerminating[] = {
    {"00110101", 0},  {"000111", 1},    {"0111", 2},      {"1000", 3},      {"1011", 4},
    {"1100", 5},      {"1110", 6},      {"1111", 7},      {"10011", 8},     {"10100", 9},
    {"00111", 10},    {"01000", 11},    {"001000", 12},   {"000011", 13},   {"110100", 14},
    {"110101", 15},   {"101010", 16},   {"101011", 17},   {"0100111", 18},  {"0001100", 19},
    {"0001000", 20},  {"0010111", 21},  {"0000011", 22},  {"0000100", 23},  {"0101000", 24},
    {"0101011", 25},  {"0010011", 26},  {"0100100", 27},  {"0011000", 28},  {"00000010", 29},
    {"00000011", 30}, {"00011010", 31}, {"00011011", 32}, {"00010010", 33}, {"00010011", 34},
    {"00010100", 35}, {"00010101", 36}, {"00010110", 37}, {"00010111", 38}, {"00101000", 39},
    {"00101001", 40}, {"00101010", 41}, {"00101011", 42}, {"00101100", 43}, {"00101101", 44},
    {"00000100", 45}, {"00000101", 46}, {"00001010", 47}, {"00001011", 48}, {"01010010", 49},
    {"01010011", 50}, {"01010100", 51}, {"01010101", 52}, {"00100100", 53}, {"00100101", 54},
    {"01011000", 55}, {"01011001", 56}, {"01011010", 57}, {"01011011", 58}, {"01001010", 59},
    {"01001011", 60}, {"00110010", 61}, {"00110011", 62}, {"00110100", 63},
};
constexpr CodeSpec kBlackTerminating[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
};
// T.4 table 3: make-up codes, runs of 64 to 1728.
constexpr CodeSpec kWhiteMakeUp[] = {
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},
    {"00110110", 320},   {"00110111", 384},   {"01100100", 448},   {"01100101", 512},
    {"01101000", 576},   {"01100111", 640},   {"011001100", 704},  {"011001101", 768},
    {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},    {"010011011", 1728},
};
constexpr CodeSpec kBlackMakeUp[] = {
    {"0000001111", 64},      {"000011001000", 128},   {"000011001001", 192},
    {"000001011011", 256},   {"000000110011", 320},   {"000000110100", 384},
    {"000000110101", 448},   {"0000001101100", 512},  {"0000001101101", 576},
    {"0000001001010", 640},  {"0000001001011", 704},  {"0000001001100", 768},
    {"0000001001101", 832},  {"0000001110010", 896},  {"0000001110011", 960},
    {"0000001110100", 1024}, {"0000001110101", 1088}, {"0000001110110", 1152},
    {"0000001110111", 1216}, {"0000001010010", 1280}, {"0000001010011", 1344},
    {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536},
    {"0000001011011", 1600}, {"0000001100100", 1664}, {"0000001100101", 1728},
};
// The make-up codes both colours share, runs of 1792 to 2560, and the end of line.
constexpr CodeSpec kSharedMakeUp[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560}, {"000000000001", -1},
};

constexpr int kLongest = 13;

struct Entry {
    std::int16_t run = 0;
    std::uint8_t bits = 0; // 0: no code starts so
};
using Table = std::array<Entry, 1u << kLongest>;

void Add(Table& t, std::span<const CodeSpec> codes) {
    for (const CodeSpec& c : codes) {
        const int n = static_cast<int>(std::strlen(c.bits));
        unsigned v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 1 | static_cast<unsigned>(c.bits[i] == '1');
        const unsigned first = v << (kLongest - n), count = 1u << (kLongest - n);
        for (unsigned k = 0; k < count; ++k)
            t[first + k] = Entry{static_cast<std::int16_t>(c.run), static_cast<std::uint8_t>(n)};
    }
}

const Table& TableOf(bool black) {
    static const std::array<Table, 2> built = [] {
        std::array<Table, 2> t{};
        Add(t[0], kWhiteTerminating);
        Add(t[0], kWhiteMakeUp);
        Add(t[0], kSharedMakeUp);
        Add(t[1], kBlackTerminating);
        Add(t[1], kBlackMakeUp);
        Add(t[1], kSharedMakeUp);
        return t;
    }();
    return built[black ? 1 : 0];
}

} // namespace

HuffmanReader::HuffmanReader(std::span<const std::uint8_t> stream, std::int64_t width)
    : m_stream(stream), m_width(width) {}

HuffmanRow HuffmanReader::Next(std::uint8_t* pixels) {
    const std::uint64_t total = static_cast<std::uint64_t>(m_stream.size()) * 8;
    auto bitAt = [&](std::uint64_t b) {
        return b < total ? (m_stream[b / 8] >> (7 - b % 8)) & 1 : 0;
    };
    auto peek = [&](std::uint64_t b) {
        unsigned v = 0;
        for (int i = 0; i < kLongest; ++i)
            v = v << 1 | static_cast<unsigned>(bitAt(b + static_cast<std::uint64_t>(i)));
        return v;
    };
    HuffmanRow row;
    row.bit = m_bit;
    if (pixels != nullptr)
        std::memset(pixels, 0, static_cast<std::size_t>(m_width));
    // Fill bits and an end of line before the row: eleven zeros or more, then a one.
    for (;;) {
        std::uint64_t b = m_bit;
        while (b < total && bitAt(b) == 0)
            ++b;
        if (b >= total || b - m_bit < 11)
            break;
        row.codes.push_back(HuffmanCode{HuffmanCode::Kind::EndOfLine, m_bit,
                                        static_cast<int>(b + 1 - m_bit), false, 0, 0});
        m_bit = b + 1;
    }
    std::int64_t x = 0;
    bool black = false, needTerminating = true;
    while (x < m_width || needTerminating) {
        if (m_bit >= total) {
            row.fault = HuffmanFault{m_bit, x == 0 && row.codes.empty()
                                                ? "数据在这一行之前就结束了"
                                                : "数据在行中结束，这一行只有 " +
                                                      std::to_string(x) + " 个像素"};
            break;
        }
        const Entry e = TableOf(black)[peek(m_bit)];
        if (e.bits == 0) {
            row.fault = HuffmanFault{m_bit, std::string("这里的位不是 T.4 的") +
                                                (black ? "黑色" : "白色") + "游程码"};
            break;
        }
        if (e.run < 0) {
            row.fault = HuffmanFault{m_bit, "行结束码来得太早：这一行只有 " + std::to_string(x) +
                                                " 个像素，宽度是 " + std::to_string(m_width)};
            break;
        }
        if (m_bit + e.bits > total) {
            row.fault = HuffmanFault{m_bit, "数据在一个游程码中间结束"};
            break;
        }
        if (x + e.run > m_width) {
            row.fault = HuffmanFault{m_bit, "这一行比宽度 " + std::to_string(m_width) + " 长"};
            break;
        }
        const bool makeUp = e.run >= 64;
        row.codes.push_back(
            HuffmanCode{makeUp ? HuffmanCode::Kind::MakeUp : HuffmanCode::Kind::Terminating, m_bit,
                        e.bits, black, e.run, x});
        if (black && pixels != nullptr)
            std::memset(pixels + x, 1, static_cast<std::size_t>(e.run));
        x += e.run;
        m_bit += e.bits;
        needTerminating = makeUp;
        if (!makeUp)
            black = !black;
    }
    row.end = m_bit;
    return row;
}

} // namespace bmp
