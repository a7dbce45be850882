// What a header says its pixels are: the one place that decides which compression goes
// with which depth and header kind.
#pragma once

#include "bmp/channel.h"
#include "bmp/layout.h"

#include <cstdint>
#include <string>

namespace bmp {

// The compression field's values. In an OS/2 2.x header 3 is Huffman 1D and 4 RLE24.
enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitfields = 6,
    kCmyk = 11,
    kCmykRle8 = 12,
    kCmykRle4 = 13,
};

// How the pixel data is stored, by the compression field and the header's kind alone.
enum class Storage {
    Rows,      // rows of pixels (BI_RGB, bitfields)
    RunLength, // RLE8, RLE4, OS/2 RLE24
    Huffman,   // OS/2 Huffman 1D
    Jpeg,      // an embedded JPEG stream
    Png,       // an embedded PNG stream
    Cmyk,      // BI_CMYK and its run-length forms: print spool data
    Unknown,   // a value no header kind defines
};
struct PixelStorage {
    Storage kind = Storage::Rows;
    int streamBits = 0; // RunLength: 4, 8 or 24
    bool masks = false; // bitfields: masks say where the channels are
    // The pixel data's size is the stream's (biSizeImage), not the rows'.
    bool IsStream() const { return kind != Storage::Rows && kind != Storage::Unknown; }
};
PixelStorage StorageOf(const Header& h);

// What is wrong with a header's compression for its depth, by the format's rules.
struct CompressionCheck {
    enum Fault { None, Embedded, WrongDepth, Unknown } fault = None;
    const char* scheme = ""; // "JPEG", "PNG"; or "RLE8 压缩", "BI_BITFIELDS", …
    const char* depths = ""; // what it needs: "8", "16 或 32"
};
CompressionCheck CheckCompression(const Header& h);

// How the stored pixels are laid out.
enum class Encoding {
    None,     // nothing decodes them; PixelFormat::refusal says why
    Indexed,  // 1, 2, 4 or 8 bits through the colour table
    Masked,   // 16 or 32 bits through three channels (5-5-5 when no masks are in force)
    Bgr,      // 24 bits, or 32 with its fourth byte kept as S
    Rle,      // a run-length stream of 4 or 8 bits through the table, or OS/2's RLE24
    Rgba64,   // 64 bits: four s2.13 fixed-point values, linear light
    Huffman,  // OS/2's Huffman 1D, 1 bit through the table
    Embedded, // a PNG or JPEG stream, decoded by the installed codec
};

// Whose rules decide. The drawing takes what the Windows graphics calls take; a file
// may hold more that a reader of files can still decode.
enum class Rules {
    Drawing, // a 40-byte or longer header; 1/4/8/24 bits BI_RGB, RLE8/RLE4 bottom-up at
             // their depths, 16/32 bits BI_RGB or BI_BITFIELDS with nonzero masks
    File,    // every header kind, 2 and 64 bits, BI_ALPHABITFIELDS, OS/2 RLE24 and
             // Huffman 1D, embedded PNG and JPEG, any row order
};

struct PixelFormat {
    Encoding encoding = Encoding::None;
    int bits = 0; // of a stored pixel; a stream's: 4, 8 or 24
    std::uint32_t compression = kRgb;
    bool topDown = false;
    std::int64_t width = 0, height = 0; // the height as a magnitude
    std::uint64_t stride = 0;
    Channel red, green, blue, alpha; // Masked
    bool masksGiven = false;         // the channels are the header's masks, not the depth's
    // S: the alpha channel where an alpha mask is in force, else a 32-bit pixel's fourth
    // byte, else 0.
    bool alphaInForce = false;
    std::string refusal; // why nothing decodes, in Chinese (UTF-8); empty otherwise

    bool Decodes() const { return encoding != Encoding::None; }
    bool IsRle() const { return encoding == Encoding::Rle; }
};

// masksHeld: whether the bytes the caller has reach past the masks (the drawing's
// header block may end before them).
PixelFormat Classify(const Header& h, Rules rules, bool masksHeld = true);

// "BI_RGB", "BI_RLE8", … for a Windows header's compression, "Huffman 1D" and "RLE24"
// for an OS/2 one's, or null where the value has no name.
const char* CompressionName(std::uint32_t compression, bool os2);
// The name of one of the four compressions the 40-byte header was first defined with
// (BI_RGB to BI_BITFIELDS), or null for any other value.
const char* ClassicCompressionName(std::uint32_t compression);

} // namespace bmp
