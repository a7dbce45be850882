// An embedded PNG stream, through libpng's simplified interface, which reports every
// error as a message and never jumps out of our code.
#include "codecs/stream_codecs.h"

#include <png.h>

namespace codecs {

bmp::StreamPicture DecodePng(std::span<const std::uint8_t> stream) {
    bmp::StreamPicture out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, stream.data(), stream.size()) == 0) {
        out.error = std::string("libpng：") + image.message;
        png_image_free(&image);
        return out;
    }
    const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
    if (pixels == 0 || pixels > bmp::MostStreamPixels(stream.size())) {
        out.error = "PNG 流说它有 " + std::to_string(image.width) + " × " +
                    std::to_string(image.height) + " 个像素，这么短的流容不下";
        png_image_free(&image);
        return out;
    }
    // 0xAARRGGBB in memory order is B, G, R, A.
    image.format = PNG_FORMAT_BGRA;
    // 16-bit samples without a gAMA or sRGB chunk are sRGB like any other; libpng
    // would take them as linear and brighten them.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    out.argb.resize(static_cast<std::size_t>(pixels));
    if (png_image_finish_read(&image, nullptr, out.argb.data(), 0, nullptr) == 0) {
        out.error = std::string("libpng：") + image.message;
        out.argb.clear();
        png_image_free(&image);
        return out;
    }
    out.width = image.width;
    out.height = image.height;
    png_image_free(&image);
    return out;
}

void InstallStreamDecoders() {
    bmp::SetStreamDecoder([](bmp::StreamKind kind, std::span<const std::uint8_t> stream) {
        return kind == bmp::StreamKind::Png ? DecodePng(stream) : DecodeJpeg(stream);
    });
}

} // namespace codecs
