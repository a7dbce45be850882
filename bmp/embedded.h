// A picture stored as an embedded PNG or JPEG stream (BI_PNG, BI_JPEG): what its bytes
// are made of, read here, and its pixels, which a codec outside this library decodes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace bmp {

enum class StreamKind { Png, Jpeg };

// The pixels of a decoded stream, top row first, as 0xAARRGGBB; or why there are none.
struct StreamPicture {
    std::int64_t width = 0, height = 0;
    std::vector<std::uint32_t> argb;
    std::string error; // the codec's own words when it refused the stream
};

// The most pixels a codec may make of a stream of that many bytes: what the deflate and
// JPEG codings can reach from it (about a thousand to one), at least a megapixel, and
// never past the allocation cap. A header that claims more is refused before anything
// is allocated.
std::uint64_t MostStreamPixels(std::uint64_t streamBytes);

// Whether bytes start with the PNG signature.
bool IsPng(std::span<const std::uint8_t> bytes);

// The codec: set by the program (codecs::InstallStreamDecoders); without one, embedded
// pictures do not decode.
using StreamDecoder = std::function<StreamPicture(StreamKind, std::span<const std::uint8_t>)>;
void SetStreamDecoder(StreamDecoder decoder);
StreamPicture DecodeStream(StreamKind kind, std::span<const std::uint8_t> stream);

// One piece of a stream: a PNG chunk or a JPEG marker segment, with the values a reader
// of the structure wants.
struct StreamPart {
    std::uint64_t offset = 0, size = 0; // within the stream
    std::string name;                   // "IHDR", "IDAT", "SOI", "SOF0", "SOS", …
    std::string value;                  // a summary: "127 × 64, 8 位, 颜色类型 2"
    std::string fault;                  // what is wrong with it (CRC, length), or empty
};
struct StreamLayout {
    std::vector<StreamPart> parts;
    std::int64_t width = 0, height = 0; // from IHDR or SOF, 0 when not found
    std::string fault;                  // the first fault of the whole stream, or empty
    std::uint64_t faultOffset = 0;
};
StreamLayout ReadStreamLayout(StreamKind kind, std::span<const std::uint8_t> stream);

std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

} // namespace bmp
