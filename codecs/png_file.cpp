#include "codecs/png_file.h"

#include "codecs/stream_codecs.h"

#include <csetjmp>

#include <png.h>

namespace codecs {
namespace {

struct Sink {
    std::vector<std::uint8_t>* bytes;
    char message[256];
};

extern "C" void PngOnWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    sink->bytes->insert(sink->bytes->end(), data, data + size);
}
extern "C" void PngOnFlush(png_structp) {}
extern "C" void PngOnError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<Sink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}
extern "C" void PngOnWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp: between setjmp and the end, this frame makes no object
// with a destructor, and each row is filled by a call that has returned before libpng
// takes it.
bool Encode(std::int64_t width, std::int64_t height, const RgbaRows& rows, std::uint8_t* row,
            Sink& sink) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, PngOnError, PngOnWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, PngOnWrite, PngOnFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Fast rather than small: a reading to compare against, written often.
    png_set_compression_level(png, 3);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    png_write_info(png, info);
    for (std::int64_t y = 0; y < height; ++y) {
        rows(y, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodePng(std::int64_t width, std::int64_t height, const RgbaRows& rows,
                                    std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        *error = "PNG 的宽度和高度须在 1 到 2^31-1 之间";
        return bytes;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    Sink sink{&bytes, {}};
    if (!Encode(width, height, rows, row.data(), sink)) {
        *error = std::string("libpng：") + (sink.message[0] != 0 ? sink.message : "无法写出");
        bytes.clear();
    }
    return bytes;
}

RgbaPicture ReadPng(std::span<const std::uint8_t> file) {
    RgbaPicture out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
        out.error = std::string("libpng：") + image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGBA;
    // 16-bit samples without a gAMA or sRGB chunk are sRGB like any other; libpng
    // would take them as linear and brighten them.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
    if (pixels > (std::uint64_t{1} << 30)) {
        out.error = "PNG 太大";
        png_image_free(&image);
        return out;
    }
    out.rgba.resize(static_cast<std::size_t>(pixels) * 4);
    if (png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr) == 0) {
        out.error = std::string("libpng：") + image.message;
        out.rgba.clear();
        return out;
    }
    out.width = image.width;
    out.height = image.height;
    return out;
}

RgbaPicture ReadJpeg(std::span<const std::uint8_t> file) {
    const bmp::StreamPicture p = DecodeJpeg(file);
    RgbaPicture out{p.width, p.height, {}, p.error};
    out.rgba.reserve(p.argb.size() * 4);
    for (const std::uint32_t v : p.argb) {
        out.rgba.push_back(static_cast<std::uint8_t>(v >> 16));
        out.rgba.push_back(static_cast<std::uint8_t>(v >> 8));
        out.rgba.push_back(static_cast<std::uint8_t>(v));
        out.rgba.push_back(static_cast<std::uint8_t>(v >> 24));
    }
    return out;
}

} // namespace codecs
