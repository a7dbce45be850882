// pixscope-cli decode [--image N] [--skipped=index0|transparent|black] [--colour-managed]
// FILE OUT.png: Pixscope's reading of every pixel, as an 8-bit RGBA PNG.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "cli/write_bitmap.h"
#include "codecs/colour_managed.h"
#include "codecs/png_file.h"
#include "platform/file_kind.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct DecodeArguments {
    std::string file, out;
    std::size_t image = 0;
    bmp::Skipped skipped = bmp::Skipped::Entry0;
    bool colourManaged = false;
    bool json = false;
};

std::optional<DecodeArguments> Parse(const std::vector<std::string>& args) {
    DecodeArguments a;
    const Arguments split = SplitArguments(args);
    for (const std::string& o : split.options) {
        if (const auto image = ImageOption(o)) {
            a.image = *image;
        } else if (o == "--skipped=index0") {
            a.skipped = bmp::Skipped::Entry0;
        } else if (o == "--skipped=transparent") {
            a.skipped = bmp::Skipped::Transparent;
        } else if (o == "--skipped=black") {
            a.skipped = bmp::Skipped::Black;
        } else if (o == "--colour-managed") {
            a.colourManaged = true;
        } else if (o == "--json") {
            a.json = true;
        } else {
            UsageError("decode", "unknown option " + o);
            return std::nullopt;
        }
    }
    if (split.operands.size() != 2) {
        UsageError("decode", "expects [--json] [--image N] [--skipped=index0|transparent|black] "
                             "[--colour-managed] FILE OUT.png");
        return std::nullopt;
    }
    a.file = split.operands[0];
    a.out = split.operands[1];
    return a;
}

const char* PolicyName(bmp::Skipped s) {
    return s == bmp::Skipped::Black         ? "black"
           : s == bmp::Skipped::Transparent ? "transparent"
                                            : "colour-table entry 0";
}

} // namespace

namespace {

// What decode said, for --json: each message as stderr had it.
struct Said {
    std::vector<std::string> messages;
    std::int64_t width = 0, height = 0;
    bool written = false;

    void operator()(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        std::fputs(line, stderr);
        std::string text = line;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        messages.push_back(std::move(text));
    }
};

int Decode(const DecodeArguments* a, Said& say) {
    platform::MappedFile file(a->file);
    if (file.Error() != 0) {
        say("pixscope-cli decode: cannot open %s: %s\n", ShownName(a->file, stderr).c_str(),
            CannotOpen(a->file, file.Error()).message.c_str());
        return 2;
    }
    const std::span<const std::uint8_t> bytes = file.Bytes();
    const auto start = bmp::ImageStart(bytes, a->image);
    if (!start) {
        say("pixscope-cli decode: %s has no image %zu\n", ShownName(a->file, stderr).c_str(),
            a->image);
        return 1;
    }
    const bmp::Decoder decoder = bmp::Decoder::OfFile(bytes, bmp::Rules::File, *start);
    if (!decoder.Decodes()) {
        say("pixscope-cli decode: %s: %s; nothing written\n", ShownName(a->file, stderr).c_str(),
            decoder.Refusal().c_str());
        return 1;
    }
    // Writing billions of pixels a few bytes never held would take minutes.
    const std::uint64_t area =
        static_cast<std::uint64_t>(decoder.Width()) * static_cast<std::uint64_t>(decoder.Height());
    const std::uint64_t most = bmp::MostPixelsOf(bytes.size());
    if (area > most) {
        say("pixscope-cli decode: %s: 图像声明 %lld × %lld 个像素，远多于 %zu "
            "字节的文件能存放的; nothing written\n",
            ShownName(a->file, stderr).c_str(), static_cast<long long>(decoder.Width()),
            static_cast<long long>(decoder.Height()), bytes.size());
        return 1;
    }
    std::unique_ptr<codecs::ColourTransform> transform;
    if (a->colourManaged) {
        std::string note;
        transform = codecs::ColourTransform::For(bmp::ParseFile(bytes, *start), bytes, &note);
        if (!note.empty())
            say("pixscope-cli decode: %s: %s\n", ShownName(a->file, stderr).c_str(), note.c_str());
    }
    const std::int64_t width = decoder.Width();
    std::string error;
    const std::vector<std::uint8_t> png = codecs::EncodePng(
        width, decoder.Height(),
        [&](std::int64_t y, std::uint8_t* rgba) {
            decoder.Rgba(y, rgba, a->skipped);
            if (transform)
                transform->Apply(rgba, static_cast<std::size_t>(width));
        },
        &error);
    if (file.Changed()) {
        say("pixscope-cli: %s changed while it was read; nothing written\n",
            ShownName(a->file, stderr).c_str());
        return 1;
    }
    if (png.empty()) {
        say("pixscope-cli decode: %s: %s; nothing written\n", ShownName(a->file, stderr).c_str(),
            error.c_str());
        return 1;
    }
    if (!decoder.StreamFault().empty())
        say("pixscope-cli decode: %s: at 0x%08llx of the pixel data: %s; the "
            "pixels after it are white\n",
            ShownName(a->file, stderr).c_str(),
            static_cast<unsigned long long>(decoder.StreamFaultOffset()),
            decoder.StreamFault().c_str());
    if (!WriteWholeFile("decode", a->out, png))
        return 1;
    say.written = true;
    say.width = width;
    say.height = decoder.Height();
    if (a->json)
        return 0;
    std::printf("%s: %lld x %lld, RGBA%s%s%s\n", ShownName(a->out, stdout).c_str(),
                static_cast<long long>(width), static_cast<long long>(decoder.Height()),
                decoder.Format().IsRle() ? "; pixels no run-length code sets: " : "",
                decoder.Format().IsRle() ? PolicyName(a->skipped) : "",
                transform ? "; colours taken to sRGB" : "");
    return 0;
}

} // namespace

int RunDecodeCommand(const std::vector<std::string>& args) {
    const auto a = Parse(args);
    if (!a)
        return 2;
    Said said;
    const int status = Decode(&*a, said);
    if (a->json) {
        std::string out =
            "{\"schema\": 1, \"path\": " + JsonString(platform::AbsolutePath(a->file)) +
            ", \"out\": " + JsonString(platform::AbsolutePath(a->out)) +
            ", \"written\": " + (said.written ? "true" : "false") +
            ", \"width\": " + std::to_string(said.width) +
            ", \"height\": " + std::to_string(said.height) + ", \"messages\": [";
        for (std::size_t i = 0; i < said.messages.size(); ++i)
            out += (i == 0 ? "" : ", ") + JsonString(said.messages[i]);
        std::printf("%s]}\n", out.c_str());
    }
    return status;
}
