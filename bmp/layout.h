// The one reading of a BMP file's structure: the header of any kind with its fields, the
// masks, the colour table and the pixel array's sizes. The drawing's format parse, the
// open command's figures, the checker and the locator all take their numbers from here.
//
// It reads from a span and never past it: bytes a field lacks read as zero and the field
// is marked cut, so a file that ends early or declares gigabytes costs nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp {

enum class HeaderKind { Core, Os2, Info, V2, V3, V4, V5, Unknown };
HeaderKind KindOfHeader(std::uint32_t size);
// "BITMAPINFOHEADER", "BITMAPV5HEADER", …
const char* HeaderName(HeaderKind kind);

// One field: where it lies (from the start of what was parsed), its size and its value,
// signed where the format's field is signed.
struct Field {
    const char* name;
    std::uint64_t offset;
    std::uint32_t size;
    std::int64_t value;
    bool cut; // the bytes end inside it; what it lacks counted as 0
};

// The bytes of pixel array the open command reads: biSizeImage, or when that is 0 the
// rows' size in 32-bit arithmetic, wrapped as the format's writers wrap it. What the
// file lacks of them reads as zeros.
constexpr std::uint32_t UsedImageSize(std::int32_t width, std::int32_t height, int bitCount,
                                      std::uint32_t sizeImage) {
    if (sizeImage != 0)
        return sizeImage;
    const std::uint32_t bits =
        static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bitCount);
    const std::uint32_t dwords = bits / 32 + (bits % 32 != 0 ? 1 : 0);
    const std::uint32_t rows =
        height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
    return dwords * 4 * rows;
}

struct Header {
    std::uint32_t size = 0;
    HeaderKind kind = HeaderKind::Unknown;
    std::int64_t width = 0, height = 0; // as stored; a negative height is top-down
    std::uint64_t rows = 0;             // the height's magnitude
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t compression = 0, sizeImage = 0, clrUsed = 0, clrImportant = 0;
    std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    // Red, green, blue and alpha, inside a V2 to V5 header, or after a 40-byte header
    // with BI_BITFIELDS (three) or BI_ALPHABITFIELDS (four).
    int maskCount = 0;
    std::uint64_t masksOffset = 0;
    std::uint32_t masks[4] = {};
    // The colour table: entries of entrySize bytes from tableOffset; declared is biClrUsed
    // or 2^bits, used at most 2^bits (what a reader takes).
    std::uint64_t tableOffset = 0;
    std::uint32_t entrySize = 4;
    std::uint64_t entriesDeclared = 0, entriesUsed = 0;
    // Bytes a stored row takes, all rows' size in 64 bits (UINT64_MAX past it), and the
    // size the open command reads.
    std::uint64_t stride = 0, computedSize = 0;
    std::uint32_t usedSize = 0;
    bool cut = false; // the bytes end inside the header or its masks
    std::vector<Field> fields;
};

// The information header at the start of bytes, its masks and where its table lies.
Header ParseHeader(std::span<const std::uint8_t> bytes);

struct File {
    std::uint64_t size = 0;
    bool signature = false; // "BM"
    std::uint32_t bfSize = 0, bfOffBits = 0;
    std::uint16_t bfReserved1 = 0, bfReserved2 = 0;
    std::vector<Field> fields;    // the file header's
    bool headerSizeKnown = false; // the file reaches past biSize
    Header header;                // offsets from the start of the file
};

File ParseFile(std::span<const std::uint8_t> file);

// Why the open command refuses a file: the checker's identifier for it, where, and in
// words. It reads "BM", then a header block from byte 14 up to bfOffBits (at least 40
// bytes) whose information header is the 40-byte kind and which holds the colour table:
// biClrUsed entries, or 2, 16 or 256 for 1, 4 or 8 bits.
struct Refusal {
    const char* id;
    std::uint64_t offset;
    std::string message;
};
std::optional<Refusal> OpenCommandRefusal(const File& file);

} // namespace bmp
