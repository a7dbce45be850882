// The one reading of a BMP file's structure: the header of any kind with its fields, the
// masks, the colour table and the pixel array's sizes. The drawing's format parse, the
// open command's figures, the checker and the locator all take their numbers from here.
//
// It reads from a span and never past it: bytes a field lacks read as zero and the field
// is marked cut, so a file that ends early or declares gigabytes costs nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace bmp {

enum class HeaderKind { Core, Os2, Info, V2, V3, V4, V5, Unknown };
HeaderKind KindOfHeader(std::uint32_t size);
// "BITMAPINFOHEADER", "BITMAPV5HEADER", …
const char* HeaderName(HeaderKind kind);

// What a field is, whatever its kind calls it (biWidth, bV5Width, bcWidth and cx are all
// Width), so that no reader looks fields up by their names.
enum class FieldId {
    Type,
    FileSize,
    Reserved1,
    Reserved2,
    OffBits,
    Size,
    Width,
    Height,
    Planes,
    BitCount,
    Compression,
    SizeImage,
    XPelsPerMeter,
    YPelsPerMeter,
    ClrUsed,
    ClrImportant,
    RedMask,
    GreenMask,
    BlueMask,
    AlphaMask,
    CSType,
    Endpoints,
    GammaRed,
    GammaGreen,
    GammaBlue,
    Intent,
    ProfileData,
    ProfileSize,
    Reserved,
    // OS/2 2.x's tail.
    Units,
    Os2Reserved,
    Recording,
    Rendering,
    Size1,
    Size2,
    ColorEncoding,
    Identifier,
};

// One field: what it is, its kind's name for it, where it lies (from the start of what
// was parsed), its size and its value, signed where the format's field is signed.
struct Field {
    FieldId id;
    const char* name;
    std::uint64_t offset;
    std::uint32_t size;
    std::int64_t value;
    bool cut; // the bytes end inside it; what it lacks counted as 0
};

// The values a V4 or V5 header adds after its masks.
struct ColourSpace {
    std::uint32_t type = 0;         // CSType: 0, 'sRGB', 'Win ', 'LINK', 'MBED'
    std::int32_t endpoints[9] = {}; // red, green, blue, each X, Y, Z as 2.30 fixed point
    std::uint32_t gamma[3] = {};    // red, green, blue as 16.16 fixed point
    std::uint32_t intent = 0, profileData = 0, profileSize = 0, reserved = 0; // V5 only
};
// CSType's profile values; a V5 header's profile offset counts from its own start.
inline constexpr std::uint32_t kProfileLinked = 0x4C494E4B;   // 'LINK'
inline constexpr std::uint32_t kProfileEmbedded = 0x4D424544; // 'MBED'

// The values an OS/2 2.x header adds after its 40 bytes.
struct Os2Tail {
    std::uint16_t units = 0, reserved = 0, recording = 0, rendering = 0;
    std::uint32_t size1 = 0, size2 = 0, colorEncoding = 0, identifier = 0;
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

// Bytes of one stored row: the row's bits rounded up to whole DWORDs. In 64 bits this
// cannot overflow for any 32-bit width and 16-bit depth.
constexpr std::int64_t RowBytes(std::int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Rows of a picture, whichever way they are stored.
constexpr std::int64_t RowCount(std::int64_t height) {
    return height < 0 ? -height : height;
}

struct Header {
    std::uint32_t size = 0;
    HeaderKind kind = HeaderKind::Unknown;
    std::int64_t width = 0, height = 0; // as stored; a negative height is top-down
    std::uint64_t rows = 0;             // the height's magnitude
    std::uint16_t planes = 0, bitCount = 0;
    std::uint32_t compression = 0, sizeImage = 0, clrUsed = 0, clrImportant = 0;
    std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    ColourSpace colourSpace; // V4 and V5
    Os2Tail os2;             // OS/2 2.x
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

    // The field that is id in this header, or null where its kind has none.
    const Field* Find(FieldId id) const;
};

// The information header at the start of bytes, its masks and where its table lies.
Header ParseHeader(std::span<const std::uint8_t> bytes);

struct File {
    std::uint64_t size = 0;
    std::uint64_t start = 0; // of the file header: 0, or an image's in a bitmap array
    bool signature = false;  // "BM"
    std::uint32_t bfSize = 0, bfOffBits = 0;
    std::uint16_t bfReserved1 = 0, bfReserved2 = 0;
    std::vector<Field> fields;    // the file header's
    bool headerSizeKnown = false; // the file reaches past biSize
    Header header;                // offsets from the start of the file
};

// The file header at `at` (0, or an image of a bitmap array, whose offsets all count
// from the file's start) and the header after it.
File ParseFile(std::span<const std::uint8_t> file, std::uint64_t at = 0);

// Where a 40-byte header keeps field id in a file (its offset and size), for a finding
// about a field that the header's own kind lacks.
Field InfoHeaderPlace(FieldId id);

} // namespace bmp
