// pixscope-cli compare [--json] [--fuzz N] [--diff OUT.png] [--image N] A B: two
// pictures (BMPs of any variant, or PNGs), their fields by meaning and their pixels.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "bmp/embedded.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "cli/write_bitmap.h"
#include "codecs/png_file.h"
#include "inspect/compare_fields.h"
#include "inspect/compare_pixels.h"
#include "inspect/pixel_location.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct CompareArguments {
    std::string a, b, diff;
    int fuzz = 0;
    std::size_t image = 0;
    bool json = false;
};

std::optional<CompareArguments> Parse(const std::vector<std::string>& args) {
    CompareArguments c;
    const Arguments split = SplitArguments(args);
    for (std::size_t i = 0; i < split.options.size(); ++i) {
        const std::string& o = split.options[i];
        if (const auto image = ImageOption(o)) {
            c.image = *image;
        } else if (o == "--json") {
            c.json = true;
        } else if (o.rfind("--fuzz=", 0) == 0) {
            const auto n = ParseInteger(o.substr(7), 0, 255);
            if (!n) {
                UsageError("compare", "--fuzz takes a whole number from 0 to 255");
                return std::nullopt;
            }
            c.fuzz = static_cast<int>(*n);
        } else if (o.rfind("--diff=", 0) == 0 && o.size() > 7) {
            c.diff = o.substr(7);
        } else {
            UsageError("compare", "unknown option " + o);
            return std::nullopt;
        }
    }
    if (split.operands.size() != 2) {
        UsageError("compare", "expects [--json] [--fuzz N] [--diff OUT.png] [--image N] A B");
        return std::nullopt;
    }
    c.a = split.operands[0];
    c.b = split.operands[1];
    return c;
}

// One side as read: a BMP through the decoder, a PNG through libpng.
struct Side {
    std::string path;
    std::unique_ptr<platform::MappedFile> file;
    std::uint64_t start = 0;
    bool png = false;
    std::unique_ptr<bmp::Decoder> decoder;
    codecs::RgbaPicture picture;

    inspect::PictureSide Picture() const {
        if (png)
            return {picture.width, picture.height,
                    [this](std::int64_t y, std::uint8_t* rgba) {
                        std::memcpy(rgba,
                                    picture.rgba.data() +
                                        static_cast<std::size_t>(y) *
                                            static_cast<std::size_t>(picture.width) * 4,
                                    static_cast<std::size_t>(picture.width) * 4);
                    },
                    nullptr};
        return {decoder->Width(), decoder->Height(),
                [this](std::int64_t y, std::uint8_t* rgba) { decoder->Rgba(y, rgba); },
                decoder.get()};
    }
};

// Nothing once the reason has been said.
std::unique_ptr<Side> Read(const std::string& path, std::size_t image) {
    auto side = std::make_unique<Side>();
    side->path = path;
    side->file = std::make_unique<platform::MappedFile>(path);
    const auto say = [&](const std::string& why) {
        std::fprintf(stderr, "pixscope-cli compare: %s: %s\n", ShownName(path, stderr).c_str(),
                     why.c_str());
        return nullptr;
    };
    if (side->file->Error() != 0)
        return say("cannot open: " + CannotOpen(path, side->file->Error()).message);
    const std::span<const std::uint8_t> bytes = side->file->Bytes();
    if (bmp::IsPng(bytes)) {
        side->png = true;
        side->picture = codecs::ReadPng(bytes);
        if (!side->picture.error.empty())
            return say(side->picture.error);
        return side;
    }
    const auto start = bmp::ImageStart(bytes, image);
    if (!start)
        return say("has no image " + std::to_string(image));
    side->start = *start;
    side->decoder =
        std::make_unique<bmp::Decoder>(bmp::Decoder::OfFile(bytes, bmp::Rules::File, *start));
    if (!side->decoder->Decodes())
        return say(side->decoder->Refusal());
    const std::uint64_t area = static_cast<std::uint64_t>(side->decoder->Width()) *
                               static_cast<std::uint64_t>(side->decoder->Height());
    if (area > bmp::MostPixelsOf(bytes.size()))
        return say("the header claims far more pixels than the file can hold");
    return side;
}

struct Where {
    std::optional<std::uint64_t> offset;
    std::optional<int> bit;
};

Where Locate(const Side& s, std::int64_t x, std::int64_t y) {
    if (s.png)
        return {};
    std::string error;
    const auto at = inspect::LocatePixel(s.file->Bytes(), x, y, error, s.start);
    return at ? Where{at->offset, at->bit} : Where{};
}

std::string FieldJson(const inspect::FieldValue& v) {
    return v.number ? JsonNumber(v.number) : v.text.empty() ? "null" : JsonString(v.text);
}

std::string SideJson(const Side& s) {
    const inspect::PictureSide p = s.Picture();
    return "{\"path\": " + JsonString(platform::AbsolutePath(s.path)) + ", \"format\": \"" +
           (s.png ? "png" : "bmp") + "\", \"width\": " + std::to_string(p.width) +
           ", \"height\": " + std::to_string(p.height) + "}";
}

std::string Hex(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(v));
    return text;
}

std::string WhereText(const Where& w) {
    if (!w.offset)
        return "";
    return " at " + Hex(*w.offset) + (w.bit ? " bit " + std::to_string(*w.bit) : "");
}

// The differing pixels in magenta over A faded three quarters towards white.
bool WriteDiff(const CompareArguments& c, const Side& a, const Side& b) {
    const inspect::PictureSide pa = a.Picture(), pb = b.Picture();
    std::vector<std::uint8_t> rb; // sized at the first row: the encoder refuses no rows first
    std::string error;
    const std::vector<std::uint8_t> png = codecs::EncodePng(
        pa.width, pa.height,
        [&](std::int64_t y, std::uint8_t* rgba) {
            rb.resize(static_cast<std::size_t>(pb.width) * 4);
            pa.rows(y, rgba);
            pb.rows(y, rb.data());
            for (std::int64_t x = 0; x < pa.width; ++x) {
                std::uint8_t* p = rgba + x * 4;
                if (inspect::PixelDiffers(p, &rb[static_cast<std::size_t>(x) * 4], c.fuzz)) {
                    p[0] = 255, p[1] = 0, p[2] = 255;
                } else {
                    for (int k = 0; k < 3; ++k)
                        p[k] = static_cast<std::uint8_t>(255 - (255 - p[k]) / 4);
                }
                p[3] = 255;
            }
        },
        &error);
    if (png.empty()) {
        std::fprintf(stderr, "pixscope-cli compare: %s: %s; not written\n",
                     ShownName(c.diff, stderr).c_str(), error.c_str());
        return false;
    }
    return WriteWholeFile("compare", c.diff, png);
}

} // namespace

int RunCompareCommand(const std::vector<std::string>& args) {
    const auto c = Parse(args);
    if (!c)
        return 2;
    const auto a = Read(c->a, c->image);
    const auto b = Read(c->b, c->image);
    if (!a || !b)
        return 2;
    std::vector<inspect::ComparedField> fields;
    if (!a->png && !b->png)
        fields = inspect::CompareFields(a->file->Bytes(), a->start, b->file->Bytes(), b->start);
    const inspect::PictureSide pa = a->Picture(), pb = b->Picture();
    const bool sameSize = pa.width == pb.width && pa.height == pb.height;
    inspect::PixelComparison px;
    if (sameSize)
        px = inspect::ComparePixels(pa, pb, c->fuzz);
    Where wa, wb;
    if (px.first) {
        wa = Locate(*a, (*px.first)[0], (*px.first)[1]);
        wb = Locate(*b, (*px.first)[0], (*px.first)[1]);
    }
    if (a->file->Changed() || b->file->Changed()) {
        std::fprintf(stderr, "pixscope-cli: a file changed while it was read\n");
        return 2;
    }
    const bool same = sameSize && px.differ == 0;
    const std::size_t fieldsDiffer = static_cast<std::size_t>(
        std::count_if(fields.begin(), fields.end(), [](const auto& f) { return f.differs; }));
    if (!c->diff.empty() && !sameSize)
        std::fprintf(stderr, "pixscope-cli compare: the sizes differ; no difference picture\n");
    else if (!c->diff.empty() && !WriteDiff(*c, *a, *b))
        return 2;

    if (c->json) {
        std::string out = "{\"schema\": 1, \"a\": " + SideJson(*a) + ", \"b\": " + SideJson(*b) +
                          ", \"fields\": [";
        for (std::size_t i = 0; i < fields.size(); ++i)
            out += std::string(i == 0 ? "" : ", ") + "{\"name\": " + JsonString(fields[i].name) +
                   ", \"a\": " + FieldJson(fields[i].a) + ", \"b\": " + FieldJson(fields[i].b) +
                   ", \"differs\": " + (fields[i].differs ? "true" : "false") + "}";
        out += "], \"sameSize\": " + std::string(sameSize ? "true" : "false") +
               ", \"fuzz\": " + std::to_string(c->fuzz);
        if (sameSize) {
            char numbers[96];
            std::snprintf(numbers, sizeof numbers, "%.6f", px.meanAbsolute);
            out += ", \"differ\": " + std::to_string(px.differ) +
                   ", \"largest\": {\"r\": " + std::to_string(px.largest[0]) +
                   ", \"g\": " + std::to_string(px.largest[1]) +
                   ", \"b\": " + std::to_string(px.largest[2]) +
                   ", \"a\": " + std::to_string(px.largest[3]) + "}, \"mae\": " + numbers +
                   ", \"psnr\": ";
            if (px.psnr)
                std::snprintf(numbers, sizeof numbers, "%.4f", *px.psnr);
            out += px.psnr ? numbers : "null";
            if (px.first) {
                out +=
                    ", \"box\": {\"left\": " + std::to_string(px.left) +
                    ", \"top\": " + std::to_string(px.top) +
                    ", \"right\": " + std::to_string(px.right) +
                    ", \"bottom\": " + std::to_string(px.bottom) +
                    "}, \"first\": {\"x\": " + std::to_string((*px.first)[0]) +
                    ", \"y\": " + std::to_string((*px.first)[1]) +
                    ", \"colourA\": " + RgbaJson(px.firstA) +
                    ", \"colourB\": " + RgbaJson(px.firstB) + ", \"offsetA\": " +
                    JsonNumber(wa.offset ? std::optional<std::int64_t>(*wa.offset) : std::nullopt) +
                    ", \"bitA\": " + JsonNumber(wa.bit) + ", \"offsetB\": " +
                    JsonNumber(wb.offset ? std::optional<std::int64_t>(*wb.offset) : std::nullopt) +
                    ", \"bitB\": " + JsonNumber(wb.bit) + "}";
            } else {
                out += ", \"box\": null, \"first\": null";
            }
        }
        out += ", \"same\": " + std::string(same ? "true" : "false") + "}";
        std::printf("%s\n", out.c_str());
    } else {
        std::printf("A: %s  %s %lld x %lld\n", ShownName(a->path, stdout).c_str(),
                    a->png ? "PNG" : "BMP", static_cast<long long>(pa.width),
                    static_cast<long long>(pa.height));
        std::printf("B: %s  %s %lld x %lld\n", ShownName(b->path, stdout).c_str(),
                    b->png ? "PNG" : "BMP", static_cast<long long>(pb.width),
                    static_cast<long long>(pb.height));
        if (!fields.empty())
            std::printf("fields (* differs):\n");
        for (const inspect::ComparedField& f : fields)
            std::printf("  %c %-20s %-18s %s\n", f.differs ? '*' : ' ', f.name.c_str(),
                        inspect::ShowFieldValue(f.name, f.a).c_str(),
                        inspect::ShowFieldValue(f.name, f.b).c_str());
        if (sameSize) {
            std::printf("pixels: %llu differ by more than %d in a channel\n",
                        static_cast<unsigned long long>(px.differ), c->fuzz);
            std::printf("  largest difference: r %d g %d b %d a %d\n", px.largest[0], px.largest[1],
                        px.largest[2], px.largest[3]);
            std::printf("  mean absolute error %.4f, PSNR %s\n", px.meanAbsolute,
                        px.psnr ? (std::to_string(*px.psnr).substr(0, 7) + " dB").c_str()
                                : "infinite (no difference)");
            if (px.first) {
                std::printf("  box: (%lld, %lld) to (%lld, %lld)\n",
                            static_cast<long long>(px.left), static_cast<long long>(px.top),
                            static_cast<long long>(px.right), static_cast<long long>(px.bottom));
                std::printf("  first: (%lld, %lld)  A %s%s  B %s%s\n",
                            static_cast<long long>((*px.first)[0]),
                            static_cast<long long>((*px.first)[1]), RgbaText(px.firstA).c_str(),
                            WhereText(wa).c_str(), RgbaText(px.firstB).c_str(),
                            WhereText(wb).c_str());
            }
        }
        const std::string fieldsLine = fields.empty()
                                           ? ""
                                           : "; " + std::to_string(fieldsDiffer) + " of " +
                                                 std::to_string(fields.size()) + " fields differ";
        if (!sameSize)
            std::printf("different sizes: %lld x %lld and %lld x %lld%s\n",
                        static_cast<long long>(pa.width), static_cast<long long>(pa.height),
                        static_cast<long long>(pb.width), static_cast<long long>(pb.height),
                        fieldsLine.c_str());
        else if (same)
            std::printf("the same picture%s%s\n",
                        c->fuzz > 0 ? (" within " + std::to_string(c->fuzz)).c_str() : "",
                        fieldsLine.c_str());
        else
            std::printf("%llu of %llu pixels differ%s\n",
                        static_cast<unsigned long long>(px.differ),
                        static_cast<unsigned long long>(pa.width * pa.height), fieldsLine.c_str());
    }
    return same ? 0 : 1;
}
