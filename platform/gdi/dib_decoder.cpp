#include "platform/gdi/dib_decoder.h"

#include "bmp/layout.h"

namespace platform::gdi {
namespace {

std::span<const std::uint8_t> InfoBytes(const BITMAPINFO* info, std::size_t infoLength) {
    return {reinterpret_cast<const std::uint8_t*>(info), infoLength};
}

bool MasksHeld(const bmp::Header& h, std::size_t infoLength) {
    return infoLength >= h.masksOffset + 12;
}

} // namespace

bmp::PixelFormat DrawingFormat(const BITMAPINFO* info, std::size_t infoLength) {
    if (info == nullptr || infoLength < sizeof(BITMAPINFOHEADER))
        return bmp::PixelFormat{};
    const bmp::Header h = bmp::ParseHeader(InfoBytes(info, infoLength));
    return bmp::Classify(h, bmp::Rules::Drawing, MasksHeld(h, infoLength));
}

std::optional<bmp::Decoder> DrawingDecoder(const BITMAPINFO* info, std::size_t infoLength,
                                           const void* bits, std::size_t bitsLength) {
    if (info == nullptr || infoLength < sizeof(BITMAPINFOHEADER))
        return std::nullopt;
    const auto bytes = InfoBytes(info, infoLength);
    const bmp::Header h = bmp::ParseHeader(bytes);
    const auto table =
        h.tableOffset < infoLength ? bytes.subspan(h.tableOffset) : std::span<const std::uint8_t>();
    bmp::Decoder d(h, table,
                   {static_cast<const std::uint8_t*>(bits), bits != nullptr ? bitsLength : 0},
                   bitsLength, bmp::Rules::Drawing, MasksHeld(h, infoLength));
    if (!d.Decodes())
        return std::nullopt;
    return d;
}

std::size_t ClaimedInfoLength(const BITMAPINFOHEADER& h) {
    const bmp::Header parsed =
        bmp::ParseHeader({reinterpret_cast<const std::uint8_t*>(&h), sizeof h});
    // Only the drawing's depths of up to 8 bits take their table.
    return static_cast<std::size_t>(parsed.tableOffset) +
           (parsed.bitCount <= 8 ? parsed.entrySize * static_cast<std::size_t>(parsed.entriesUsed)
                                 : 0);
}

} // namespace platform::gdi
