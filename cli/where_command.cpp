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

void PrintJson(const inspect::PixelLocation& p, const std::optional<bmp::Bgrs>& colour) {
    // The pixel's colour as decoded, or null where nothing decodes it.
    auto component = [&colour](std::uint8_t bmp::Bgrs::*c) {
        return colour ? std::to_string((*colour).*c) : std::string("null");
    };
    auto number = [](std::optional<std::uint64_t> v) {
        return v ? JsonNumber(static_cast<std::int64_t>(*v)) : std::string("null");
    };
    std::printf("{\"x\": %lld, \"y\": %lld, \"offset\": %s, \"bit\": %s, \"row\": %lld, "
                "\"rowOffset\": %s, \"stride\": %llu, \"padding\": %llu, \"bytes\": %s, "
                "\"read\": %s, \"b\": %s, \"g\": %s, \"r\": %s, \"s\": %s}\n",
                static_cast<long long>(p.x), static_cast<long long>(p.y), number(p.offset).c_str(),
                p.bit ? std::to_string(*p.bit).c_str() : "null", static_cast<long long>(p.row),
                p.runLength ? "null" : number(p.rowOffset).c_str(),
                static_cast<unsigned long long>(p.stride),
                static_cast<unsigned long long>(p.padding),
                JsonString(inspect::HexBytes(p.bytes, "")).c_str(), p.read ? "true" : "false",
                component(&bmp::Bgrs::b).c_str(), component(&bmp::Bgrs::g).c_str(),
                component(&bmp::Bgrs::r).c_str(), component(&bmp::Bgrs::s).c_str());
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
    if (a->json)
        PrintJson(*where,
                  bmp::Decoder::OfFile(file.Bytes(), bmp::Rules::File, *start).At(a->x, a->y));
    else
        PrintText(*where);
    return 0;
}
