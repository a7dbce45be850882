// pixscope-cli fields [--json] [--pixels] [--image N] FILE: the file's regions and fields,
// one line each; with --pixels, the pixel data's rows or codes too.
#include "bmp/bitmap_array.h"
#include "bmp/decoder.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "inspect/pixel_units.h"
#include "inspect/structure.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The units of the pixel region, when they were asked for.
using Units = std::function<void(const std::function<void(const inspect::PixelUnit&)>&)>;

std::string List(const std::vector<std::uint32_t>& values, const char* sep) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out += (i == 0 ? "" : sep) + std::to_string(values[i]);
    return out;
}

const char* CodeKind(bmp::HuffmanCode::Kind kind) {
    return kind == bmp::HuffmanCode::Kind::MakeUp        ? "make-up"
           : kind == bmp::HuffmanCode::Kind::Terminating ? "terminating"
                                                         : "end-of-line";
}

std::string Place(const inspect::PixelUnit& u) {
    return u.y ? " x=" + std::to_string(*u.x) + " y=" + std::to_string(*u.y) : "";
}

void PrintUnitText(const inspect::PixelUnit& u) {
    using K = inspect::PixelUnit::Kind;
    std::string line =
        "    0x" +
        [&] {
            char b[17];
            std::snprintf(b, sizeof b, "%08llx", static_cast<unsigned long long>(u.offset));
            return std::string(b);
        }() +
        " " + std::to_string(u.size) + " " + inspect::KindName(u.kind);
    if (!u.codes.empty() || (u.kind == K::Row && u.bits > 0)) {
        line += Place(u) + " bit=" + std::to_string(u.bit) + " bits=" + std::to_string(u.bits);
    } else if (u.kind == K::Row) {
        line += Place(u) + " padding=" + std::to_string(u.padding);
    } else if (u.kind == K::Run || u.kind == K::Absolute) {
        line += Place(u) + " count=" + std::to_string(u.count) +
                (u.kind == K::Run ? " index=" : " indices=") + List(u.indices, ",");
    } else if (u.kind == K::Delta) {
        line += Place(u) + " dx=" + std::to_string(u.dx) + " dy=" + std::to_string(u.dy);
    } else if (u.kind != K::Unused) {
        line += Place(u);
    }
    std::printf("%s\n", line.c_str());
    for (const bmp::HuffmanCode& c : u.codes)
        std::printf("      bit=%llu bits=%d %s %s run=%lld x=%lld\n",
                    static_cast<unsigned long long>(c.bit), c.bits, CodeKind(c.kind),
                    c.black ? "black" : "white", static_cast<long long>(c.run),
                    static_cast<long long>(c.x));
    if (!u.fault.empty())
        std::printf("      ! %s\n", u.fault.c_str());
}

std::string UnitJson(const inspect::PixelUnit& u) {
    using K = inspect::PixelUnit::Kind;
    std::string out = std::string("{\"kind\": \"") + inspect::KindName(u.kind) +
                      "\", \"offset\": " + std::to_string(u.offset) +
                      ", \"size\": " + std::to_string(u.size);
    if (u.kind != K::Unused)
        out += ", \"x\": " + JsonNumber(u.x) + ", \"y\": " + JsonNumber(u.y);
    if (u.kind == K::Row && u.bits == 0 && u.codes.empty())
        out += ", \"padding\": " + std::to_string(u.padding);
    if (u.kind == K::Run || u.kind == K::Absolute) {
        out += ", \"count\": " + std::to_string(u.count);
        if (u.kind == K::Run && u.indices.size() == 1)
            out += ", \"index\": " + std::to_string(u.indices[0]);
        else
            out += ", \"indices\": [" + List(u.indices, ", ") + "]";
    }
    if (u.kind == K::Delta)
        out += ", \"dx\": " + std::to_string(u.dx) + ", \"dy\": " + std::to_string(u.dy);
    if (u.bits > 0 || !u.codes.empty()) {
        out += ", \"bit\": " + std::to_string(u.bit) + ", \"bits\": " + std::to_string(u.bits) +
               ", \"codes\": [";
        for (std::size_t i = 0; i < u.codes.size(); ++i) {
            const bmp::HuffmanCode& c = u.codes[i];
            out += std::string(i == 0 ? "" : ", ") + "{\"kind\": \"" + CodeKind(c.kind) +
                   "\", \"bit\": " + std::to_string(c.bit) +
                   ", \"bits\": " + std::to_string(c.bits) + ", \"colour\": \"" +
                   (c.black ? "black" : "white") + "\", \"run\": " + std::to_string(c.run) +
                   ", \"x\": " + std::to_string(c.x) + "}";
        }
        out += "]";
    }
    if (!u.fault.empty())
        out += ", \"fault\": " + JsonString(u.fault);
    return out + "}";
}

void PrintText(const inspect::Structure& s, const Units& units) {
    for (const inspect::Region& r : s.regions) {
        std::printf("0x%08llx %llu %s%s\n", static_cast<unsigned long long>(r.offset),
                    static_cast<unsigned long long>(r.size), r.name.c_str(), r.cut ? " (cut)" : "");
        for (const inspect::StructureField& f : r.fields)
            std::printf("  0x%08llx %u %s %s [%s]%s  %s\n",
                        static_cast<unsigned long long>(f.offset), f.size, f.name.c_str(),
                        TextOf(f.value).c_str(), f.raw.c_str(), f.cut ? " (cut)" : "",
                        f.meaning.c_str());
        if (r.pixels && units)
            units(PrintUnitText);
    }
}

void PrintJson(const std::string& path, const inspect::Structure& s, const Units& units) {
    std::string out = "{\"schema\": 1, \"path\": " + JsonString(path) +
                      ", \"size\": " + std::to_string(s.size) + ", \"regions\": [";
    for (std::size_t i = 0; i < s.regions.size(); ++i) {
        const inspect::Region& r = s.regions[i];
        out += (i == 0 ? "" : ", ");
        out += "{\"name\": " + JsonString(r.name) + ", \"offset\": " + std::to_string(r.offset) +
               ", \"size\": " + std::to_string(r.size) +
               ", \"cut\": " + (r.cut ? "true" : "false") + ", \"fields\": [";
        for (std::size_t k = 0; k < r.fields.size(); ++k) {
            const inspect::StructureField& f = r.fields[k];
            out += (k == 0 ? "" : ", ");
            out += "{\"name\": " + JsonString(f.name) +
                   ", \"offset\": " + std::to_string(f.offset) +
                   ", \"size\": " + std::to_string(f.size) + ", \"value\": " +
                   (f.number          ? JsonNumber(f.number)
                    : f.value.empty() ? std::string("null")
                                      : JsonString(f.value)) +
                   ", \"shown\": " + JsonString(f.value) + ", \"bytes\": " + JsonString(f.raw) +
                   ", \"text\": " + JsonString(f.meaning) + "}";
        }
        out += "]";
        if (r.pixels && units) {
            out += ", \"units\": [";
            bool first = true;
            units([&](const inspect::PixelUnit& u) {
                out += (first ? "" : ", ") + UnitJson(u);
                first = false;
                // Millions of codes: out in pieces, not held whole.
                if (out.size() > (1u << 16)) {
                    std::fputs(out.c_str(), stdout);
                    out.clear();
                }
            });
            out += "]";
        }
        out += "}";
    }
    std::printf("%s]}\n", out.c_str());
}

} // namespace

int RunFieldsCommand(const std::vector<std::string>& args) {
    const Arguments split = SplitArguments(args);
    bool json = false, pixels = false;
    std::size_t image = 0;
    for (const std::string& o : split.options) {
        if (const auto n = ImageOption(o))
            image = *n;
        else if (o == "--json")
            json = true;
        else if (o == "--pixels")
            pixels = true;
        else
            return UsageError("fields", "unknown option " + o);
    }
    if (split.operands.size() != 1)
        return UsageError("fields", "expects [--json] [--pixels] [--image N] FILE");
    const std::string& path = split.operands[0];
    platform::MappedFile file(path);
    if (file.Error() != 0) {
        std::fprintf(stderr, "pixscope-cli fields: cannot open %s: %s\n",
                     ShownName(path, stderr).c_str(),
                     CannotOpen(path, file.Error()).message.c_str());
        return 2;
    }
    const std::span<const std::uint8_t> bytes = file.Bytes();
    const inspect::Structure s = inspect::DescribeStructure(bytes, image);
    const auto changed = [&] {
        if (!file.Changed())
            return false;
        std::fprintf(stderr, "pixscope-cli: %s changed while it was read\n",
                     ShownName(path, stderr).c_str());
        return true;
    };
    if (changed())
        return 2;
    Units units;
    std::unique_ptr<bmp::Decoder> decoder;
    const auto start = bmp::ImageStart(bytes, image);
    if (pixels && start) {
        decoder =
            std::make_unique<bmp::Decoder>(bmp::Decoder::OfFile(bytes, bmp::Rules::File, *start));
        const std::uint64_t data = bmp::ParseFile(bytes, *start).bfOffBits;
        units = [&, data](const std::function<void(const inspect::PixelUnit&)>& each) {
            for (const inspect::Region& r : s.regions) {
                if (!r.pixels || r.offset + r.size <= data)
                    continue;
                inspect::PixelUnits(*decoder, data, r.offset + r.size - data).Each(each);
            }
        };
    }
    if (json)
        PrintJson(platform::AbsolutePath(path), s, units);
    else
        PrintText(s, units);
    return units && changed() ? 2 : 0;
}
