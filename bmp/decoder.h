// The one decoder of a BMP's pixels: set up once for a picture (its format, channels,
// colour table and run-length index made once), it answers any pixel's colour, the bytes
// that hold it and, in a run-length stream, the code that sets it; and the pixels a
// byte belongs to.
//
// Pixel bytes the caller does not hold, up to the length the reader takes, read as zero
// (what a file shorter than its declared size gives the program); pixels past that
// length are black. Nothing outside the spans given is ever read.
#pragma once

#include "bmp/embedded.h"
#include "bmp/huffman.h"
#include "bmp/pixel_format.h"
#include "bmp/rgba64.h"
#include "bmp/rle_index.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace bmp {

// A pixel as a reader gives it: blue, green, red and S (see PixelFormat::alphaInForce).
struct Bgrs {
    std::uint8_t b = 0, g = 0, r = 0, s = 0;
    bool operator==(const Bgrs&) const = default;
};

// What pixels no code of a run-length stream sets become. The drawing shows colour-table
// entry 0 when it scales; readers also show black or leave them transparent.
enum class Skipped { Entry0, Black, Transparent };

// Where a pixel's bytes lie in the pixel data (from its first byte).
struct PixelBytes {
    std::uint64_t offset = 0;
    std::uint64_t size = 0; // 1 below 8 bits; an encoded run's whole code
    std::optional<int> bit; // below 8 bits, and a literal RLE4 nibble: its first bit, 7 highest
    bool read = true;       // inside the bytes the reader takes (uncompressed)
    std::optional<RleCode> code;        // run-length: the code that sets it
    std::optional<HuffmanCode> huffman; // Huffman 1D: the code whose run holds it
};

// Pixels x0..x1 of row y (from the top), inclusive.
struct PixelSpan {
    std::int64_t x0 = 0, x1 = 0, y = 0;
    bool operator==(const PixelSpan&) const = default;
};

inline constexpr std::uint32_t kBlack = 0xFF000000u;

// The most pixels worth reading out of a file of that many bytes: a header may claim
// billions that a few bytes never held. Run-length deltas reach far, so it is generous.
constexpr std::uint64_t MostPixelsOf(std::uint64_t fileBytes) {
    return fileBytes > (std::uint64_t{1} << 13) ? 2048 * fileBytes : std::uint64_t{1} << 24;
}

class Decoder {
public:
    // The header as parsed, the bytes of its colour table as far as the reader may take
    // them (from the header's tableOffset), the pixel bytes held, and the length of
    // pixel data the reader takes.
    Decoder(const Header& h, std::span<const std::uint8_t> table,
            std::span<const std::uint8_t> pixels, std::uint64_t length, Rules rules,
            bool masksHeld = true);
    // A whole file as the structure view reads it: the table up to bfOffBits, the pixel
    // data from there for biSizeImage bytes (or the rows' size).
    // `at`: where the image's file header starts (an image of a bitmap array).
    static Decoder OfFile(std::span<const std::uint8_t> file, Rules rules = Rules::File,
                          std::uint64_t at = 0);
    Decoder(Decoder&&) noexcept;
    Decoder& operator=(Decoder&&) noexcept;
    ~Decoder();

    const PixelFormat& Format() const { return m_format; }
    bool Decodes() const { return m_format.Decodes(); }
    const std::string& Refusal() const { return m_format.refusal; }
    std::int64_t Width() const { return m_format.width; }
    std::int64_t Height() const { return m_format.height; }
    std::span<const std::uint8_t> Pixels() const { return m_pixels; }
    std::uint64_t Length() const { return m_length; }

    // Pixel (x, y) from the top left, or nothing outside the picture or when nothing
    // decodes it. unset, when given, says whether no run-length code sets it.
    std::optional<Bgrs> At(std::int64_t x, std::int64_t y, Skipped skipped = Skipped::Entry0,
                           bool* unset = nullptr) const;
    // The colour table as surface pixels 0xFFRRGGBB, black past its end.
    const std::array<std::uint32_t, 256>& Palette() const { return m_palette; }
    // A pixel as a surface pixel, black where its bytes lie past the length the reader
    // takes.
    std::uint32_t Surface(std::int64_t x, std::int64_t y) const;
    // Row y (from the top) as surface pixels, Width() of them; pixels no run-length code
    // sets take the skipped colour (Transparent: 0, no alpha).
    void Row(std::int64_t y, std::uint32_t* out, Skipped skipped = Skipped::Entry0) const;
    // Row y as red, green, blue and alpha bytes, 4 × Width() of them: alpha where the
    // format has one in force, 0 for pixels no run-length code sets under Transparent,
    // else 255. This is Pixscope's whole reading of a picture, as `decode` writes it.
    void Rgba(std::int64_t y, std::uint8_t* out, Skipped skipped = Skipped::Entry0) const;
    // Reads pixel c of a stored row whose first byte is row: the drawing's inner loop.
    // The caller guarantees that the pixel's bytes are inside the row.
    template <int Bits, bool Masked>
    std::uint32_t Fetch(const std::uint8_t* row, std::int64_t c) const;
    // Calls visit.template operator()<Bits, Masked>() for this picture's uncompressed
    // depth, so that a loop over pixels is compiled once a depth.
    template <typename Visit> decltype(auto) AtDepth(Visit&& visit) const {
        switch (m_format.bits) {
        case 1:
            return visit.template operator()<1, false>();
        case 2:
            return visit.template operator()<2, false>();
        case 4:
            return visit.template operator()<4, false>();
        case 8:
            return visit.template operator()<8, false>();
        case 16:
            return visit.template operator()<16, true>();
        case 24:
            return visit.template operator()<24, false>();
        case 64:
            return visit.template operator()<64, false>();
        default:
            return m_format.encoding == Encoding::Masked ? visit.template operator()<32, true>()
                                                         : visit.template operator()<32, false>();
        }
    }

    // A run-length picture's stream as the reader takes it, and its index, made at the
    // first call (null when it cannot be made: the callers walk the stream).
    const RleStream& Stream() const { return m_stream; }
    const RleIndex* Runs() const;

    // A pixel's stored value as a number: the index of an indexed, run-length or Huffman
    // pixel (0xRRGGBB for RLE24), the little-endian value of a 16, 24, 32 or 64-bit one.
    // Nothing where no code sets it, for an embedded stream, or where its bytes lie past
    // what the reader takes.
    std::optional<std::uint64_t> Stored(std::int64_t x, std::int64_t y) const;
    // A 64-bit pixel's four stored values: blue, green, red, alpha (s2.13).
    std::optional<std::array<std::int16_t, 4>> Raw64(std::int64_t x, std::int64_t y) const;
    // Huffman 1D: where each stored row's bits start (from the pixel data's first bit).
    const std::vector<std::uint64_t>& HuffmanRows() const { return m_rowBits; }
    // What went wrong inside a stream that still decodes (a Huffman code that is not in
    // the tables, a row too long), at that byte of the pixel data; empty when nothing.
    const std::string& StreamFault() const { return m_fault; }
    std::uint64_t StreamFaultOffset() const { return m_faultAt; }

    // Where pixel (x, y) lives: nothing outside the picture, for a pixel no code sets or
    // inside an embedded stream, and where nothing decodes.
    std::optional<PixelBytes> BytesOf(std::int64_t x, std::int64_t y) const;
    // The pixels whose bits the byte at offset of the pixel data holds, or the pixels of
    // the code it is part of; nothing for padding, pad bytes and codes that set none.
    std::optional<PixelSpan> PixelsAt(std::uint64_t offset) const;

private:
    std::uint32_t MaskedColour(std::uint32_t v) const {
        return 0xFF000000u | (std::uint32_t{m_format.red.Extract(v)} << 16) |
               (std::uint32_t{m_format.green.Extract(v)} << 8) | m_format.blue.Extract(v);
    }
    // The colour of the pixel whose first byte is p, in column c, at any uncompressed
    // depth: Fetch's work, with the depth and layout as values.
    std::uint32_t ColourOf(const std::uint8_t* p, std::int64_t c, int bits,
                           Encoding encoding) const;
    std::optional<RleCode> CodeAt(std::int64_t x, std::int64_t stored) const;
    void DecodeHuffman();
    void DecodeEmbedded(StreamKind kind, std::span<const std::uint8_t> stream);
    // Pixel x of stored row `stored`: 0 white, 1 black; the last row asked for is kept.
    std::uint8_t HuffmanIndex(std::int64_t x, std::int64_t stored) const;
    // The Huffman code of stored row `stored` that holds pixel x, decoded anew.
    std::optional<HuffmanCode> HuffmanCodeAt(std::int64_t x, std::int64_t stored) const;

    PixelFormat m_format;
    std::array<std::uint32_t, 256> m_palette{};
    std::span<const std::uint8_t> m_pixels;
    std::uint64_t m_length = 0;
    RleStream m_stream;
    mutable std::unique_ptr<RleIndex> m_runs;
    mutable bool m_runsTried = false;
    std::vector<std::uint32_t> m_argb;    // Embedded: the stream's pixels, top row first
    std::vector<std::uint64_t> m_rowBits; // Huffman: each decoded row's first bit
    mutable std::vector<std::uint8_t> m_rowCache;
    mutable std::int64_t m_cachedRow = -1;
    std::string m_fault;
    std::uint64_t m_faultAt = 0;
};

inline std::uint32_t Decoder::ColourOf(const std::uint8_t* p, std::int64_t c, int bits,
                                       Encoding encoding) const {
    if (encoding == Encoding::Indexed) {
        const int shift = 8 - bits - static_cast<int>(c * bits % 8);
        return m_palette[(p[0] >> shift) & ((1u << bits) - 1)];
    }
    if (encoding == Encoding::Bgr)
        return 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    if (encoding == Encoding::Rgba64) {
        const auto value = [p](int k) {
            return static_cast<std::int16_t>(std::uint16_t{p[2 * k]} | std::uint16_t{p[2 * k + 1]}
                                                                           << 8);
        };
        return std::uint32_t{AlphaFromFixed(value(3))} << 24 |
               std::uint32_t{SrgbFromFixed(value(2))} << 16 |
               std::uint32_t{SrgbFromFixed(value(1))} << 8 | SrgbFromFixed(value(0));
    }
    std::uint32_t v = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8);
    if (bits == 32)
        v |= (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    return MaskedColour(v);
}

template <int Bits, bool Masked>
std::uint32_t Decoder::Fetch(const std::uint8_t* row, std::int64_t c) const {
    constexpr Encoding kEncoding = Bits <= 8    ? Encoding::Indexed
                                   : Masked     ? Encoding::Masked
                                   : Bits == 64 ? Encoding::Rgba64
                                                : Encoding::Bgr;
    return ColourOf(row + c * Bits / 8, c, Bits, kEncoding);
}

} // namespace bmp
