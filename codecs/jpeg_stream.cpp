// An embedded JPEG stream, through libjpeg-turbo. Its errors come back by longjmp, so
// the decoding function keeps no object with a destructor between setjmp and the end of
// the work, and bounds the scans a crafted progressive stream may make it run.
#include "codecs/stream_codecs.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace codecs {
namespace {

constexpr long kMostMemory = 512L << 20;
constexpr int kMostScans = 1000;

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegOnError(j_common_ptr info) {
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->jump, 1);
}

extern "C" void JpegOnMessage(j_common_ptr, int) {} // warnings are not ours to print

extern "C" void JpegOnProgress(j_common_ptr info) {
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > kMostScans) {
        auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
        std::snprintf(trap->message, sizeof trap->message, "扫描超过 %d 次", kMostScans);
        std::longjmp(trap->jump, 1);
    }
}

// Decodes into out->argb; false with trap.message on an error. Only plain data lives
// across the jump.
bool Decode(const std::uint8_t* data, std::size_t size, bmp::StreamPicture* out, ErrorTrap& trap) {
    jpeg_decompress_struct info{};
    jpeg_progress_mgr progress{};
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegOnError;
    trap.manager.emit_message = JpegOnMessage;
    if (setjmp(trap.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMostMemory;
    progress.progress_monitor = JpegOnProgress;
    info.progress = &progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA; // 0xAARRGGBB in memory order
    const std::uint64_t pixels = std::uint64_t{info.image_width} * info.image_height;
    if (pixels == 0 || pixels > bmp::MostStreamPixels(size)) {
        std::snprintf(trap.message, sizeof trap.message,
                      "JPEG 流说它有 %u × %u 个像素，这么短的流容不下", info.image_width,
                      info.image_height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->argb.resize(static_cast<std::size_t>(pixels));
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            out->argb.data() + std::size_t{info.output_scanline} * info.output_width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    out->width = info.output_width;
    out->height = info.output_height;
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bmp::StreamPicture DecodeJpeg(std::span<const std::uint8_t> stream) {
    bmp::StreamPicture out;
    ErrorTrap trap{};
    if (!Decode(stream.data(), stream.size(), &out, trap)) {
        out.argb.clear();
        out.width = out.height = 0;
        out.error = std::string("libjpeg：") + trap.message;
    }
    return out;
}

} // namespace codecs
