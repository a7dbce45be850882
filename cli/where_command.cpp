// pixscope-cli where [--json] [--image N] FILE X Y: where pixel (X, Y) lives in the file.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "dib/pixel_rules.h"
#include "inspect/describe.h"
#include "inspect/pixel_decoding.h"
#include "inspect/pixel_location.h"
#include "platform/mapped_file.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintText(const inspect::PixelLocation& p) {
    std::printf("pixel (%lld, %lld)\n", static_cast<long long>(p.x), static_cast<long long>(p.y));
    if (p.runLength) {
        if (p.offset)
            std::printf("run-length code at 0x%08llx (%llu): %s\n",
                        static_cast<unsigned long long>(*p.offset),
                        static_cast<unsigned long long>(*p.offset),
                        inspect::HexBytes(p.bytes, " ").c_str());
        else
            std::printf("no run-length code sets it\n");
        std::printf("stored row %lld\n", static_cast<long long>(p.row));
        return;
    }
    std::printf("offset 0x%08llx (%llu)", static_cast<unsigned long long>(*p.offset),
                static_cast<unsigned long long>(*p.offset));
    if (p.bit)
        std::printf(", bit %d", *p.bit);
    std::printf("\nstored row %lld at 0x%08llx (%llu)\nrow stride %llu bytes, padding %llu\n",
                static_cast<long long>(p.row), static_cast<unsigned long long>(p.rowOffset),
                static_cast<unsigned long long>(p.rowOffset),
                static_cast<unsigned long long>(p.stride),
                static_cast<unsigned long long>(p.padding));
    std::printf("bytes %s\n", !p.read           ? "(past the bytes Pixscope reads: drawn black)"
                              : p.bytes.empty() ? "(past the end of the file)"
                                                : inspect::HexBytes(p.bytes, " ").c_str());
}

// An unsigned number; past 2^53 a string, which every JSON reader keeps exact.
std::string Unsigned(std::uint64_t v) {
    return v > (std::uint64_t{1} << 53) ? "\"" + std::to_string(v) + "\"" : std::to_string(v);
}

std::string Byte(const std::optional<std::uint8_t>& b) {
    return b ? std::to_string(*b) : "null";
}

// The steps from the stored value to the colour.
std::string DecodingJson(const inspect::PixelDecoding& d) {
    std::string out = ", \"raw\": " + (d.raw ? Unsigned(*d.raw) : std::string("null"));
    if (d.index)
        out += ", \"index\": " + std::to_string(*d.index);
    if (d.entry)
        out += ", \"entry\": {\"offset\": " + Unsigned(d.entry->offset) +
               ", \"b\": " + Byte(d.entry->b) + ", \"g\": " + Byte(d.entry->g) +
               ", \"r\": " + Byte(d.entry->r) + ", \"reserved\": " + Byte(d.entry->reserved) +
               ", \"inTable\": " + (d.entry->inTable ? "true" : "false") + "}";
    if (!d.channels.empty()) {
        out += ", \"channels\": [";
        for (std::size_t i = 0; i < d.channels.size(); ++i) {
            const inspect::ChannelStep& c = d.channels[i];
            out += std::string(i == 0 ? "" : ", ") + "{\"name\": \"" + c.name +
                   "\", \"mask\": " + std::to_string(c.mask) +
                   ", \"value\": " + std::to_string(c.value) +
                   ", \"bits\": " + std::to_string(c.bits) +
                   ", \"widened\": " + std::to_string(c.widened) + "}";
        }
        out += "]";
    }
    if (!d.fixed.empty()) {
        out += ", \"fixed\": [";
        for (std::size_t i = 0; i < d.fixed.size(); ++i) {
            const inspect::FixedStep& v = d.fixed[i];
            char text[160];
            std::snprintf(text, sizeof text,
                          "%s{\"name\": \"%s\", \"stored\": %d, \"value\": %.6g, "
                          "\"linear\": %.6g, \"result\": %d}",
                          i == 0 ? "" : ", ", v.name, v.stored, v.value, v.linear, v.result);
            out += text;
        }
        out += "]";
    }
    if (d.skipped != nullptr)
        out += std::string(", \"skipped\": \"") + d.skipped + "\"";
    return out;
}

void PrintJson(const inspect::PixelLocation& p, const std::optional<bmp::Bgrs>& colour,
               const inspect::PixelDecoding& decoding) {
    // The pixel's colour as decoded, or null where nothing decodes it.
    auto component = [&colour](std::uint8_t bmp::Bgrs::*c) {
        return colour ? std::to_string((*colour).*c) : std::string("null");
    };
    auto number = [](std::optional<std::uint64_t> v) {
        return v ? JsonNumber(static_cast<std::int64_t>(*v)) : std::string("null");
    };
    std::printf(
        "{\"schema\": 1, \"x\": %lld, \"y\": %lld, \"offset\": %s, \"bit\": %s, \"row\": %lld, "
        "\"rowOffset\": %s, \"stride\": %llu, \"padding\": %llu, \"bytes\": %s, "
        "\"read\": %s, \"b\": %s, \"g\": %s, \"r\": %s, \"s\": %s%s}\n",
        static_cast<long long>(p.x), static_cast<long long>(p.y), number(p.offset).c_str(),
        p.bit ? std::to_string(*p.bit).c_str() : "null", static_cast<long long>(p.row),
        p.runLength ? "null" : number(p.rowOffset).c_str(),
        static_cast<unsigned long long>(p.stride), static_cast<unsigned long long>(p.padding),
        JsonString(inspect::HexBytes(p.bytes, "")).c_str(), p.read ? "true" : "false",
        component(&bmp::Bgrs::b).c_str(), component(&bmp::Bgrs::g).c_str(),
        component(&bmp::Bgrs::r).c_str(), component(&bmp::Bgrs::s).c_str(),
        DecodingJson(decoding).c_str());
}

} // namespace

int RunWhereCommand(const std::vector<std::string>& args) {
    const auto a = ParsePixelArguments("where", args);
    if (!a)
        return 2;
    platform::MappedFile file(a->file);
    if (file.Error() != 0) {
        std::fprintf(stderr, "pixscope-cli where: cannot open %s: %s\n",
                     ShownName(a->file, stderr).c_str(),
                     CannotOpen(a->file, file.Error()).message.c_str());
        return 2;
    }
    const auto start = bmp::ImageStart(file.Bytes(), a->image);
    if (!start) {
        std::fprintf(stderr, "pixscope-cli where: %s has no image %zu\n",
                     ShownName(a->file, stderr).c_str(), a->image);
        return 1;
    }
    std::string error;
    const auto where = inspect::LocatePixel(file.Bytes(), a->x, a->y, error, *start);
    if (file.Changed()) {
        std::fprintf(stderr, "pixscope-cli: %s changed while it was read\n",
                     ShownName(a->file, stderr).c_str());
        return 2;
    }
    if (!where) {
        std::fprintf(stderr, "%s\n", error.c_str());
        // A position outside the picture needs no more words; a file the locator can't
        // read is explained.
        if (error != kPositionOutsideMessage)
            ExplainFailure(a->file, RefusalReason(file.Bytes()));
        return 1;
    }
    if (a->json) {
        const bmp::Decoder decoder = bmp::Decoder::OfFile(file.Bytes(), bmp::Rules::File, *start);
        PrintJson(*where, decoder.At(a->x, a->y),
                  inspect::DecodePixel(decoder, bmp::ParseFile(file.Bytes(), *start).header,
                                       file.Bytes(), a->x, a->y));
    } else
        PrintText(*where);
    return 0;
}
