// pixscope-cli readers [--json] [--only NAMES] [--timeout S] FILE...: what every other
// installed reader makes of each file, held against Pixscope's reading, and why they
// part.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output.h"
#include "platform/paths.h"
#include "readers/run_readers.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

struct ReadersArguments {
    readers::Options options;
    std::vector<std::string> files;
    bool json = false;
};

std::optional<ReadersArguments> Parse(const std::vector<std::string>& args) {
    ReadersArguments r;
    const Arguments split = SplitArguments(args);
    for (const std::string& o : split.options) {
        if (o == "--json") {
            r.json = true;
        } else if (o.rfind("--only=", 0) == 0) {
            std::string names = o.substr(7) + ",";
            for (std::size_t at = 0, comma; (comma = names.find(',', at)) != std::string::npos;
                 at = comma + 1)
                if (comma > at)
                    r.options.only.push_back(names.substr(at, comma - at));
            if (r.options.only.empty()) {
                UsageError("readers", "--only takes reader names separated by commas");
                return std::nullopt;
            }
        } else if (o.rfind("--timeout=", 0) == 0) {
            char* end = nullptr;
            const std::string text = o.substr(10);
            const double s = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != 0 || !(s >= 0.1 && s <= 3600)) {
                UsageError("readers", "--timeout takes seconds from 0.1 to 3600");
                return std::nullopt;
            }
            r.options.seconds = s;
        } else {
            UsageError("readers", "unknown option " + o);
            return std::nullopt;
        }
    }
    if (split.operands.empty()) {
        UsageError("readers", "expects [--json] [--only NAMES] [--timeout S] FILE...");
        return std::nullopt;
    }
    r.files = split.operands;
    return r;
}

std::string Hex(const std::vector<std::uint8_t>& bytes, const char* between) {
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < bytes.size() && i < 16; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        out += (i == 0 ? "" : between) + std::string(two);
    }
    return out;
}

std::string Optional(const std::string& s) {
    return s.empty() ? "null" : JsonString(s);
}

std::string ExampleJson(const inspect::CauseExample& e) {
    return "{\"x\": " + std::to_string(e.x) + ", \"y\": " + std::to_string(e.y) +
           ", \"pixscope\": " + RgbaJson(e.ours) + ", \"reader\": " + RgbaJson(e.theirs) +
           ", \"offset\": " +
           JsonNumber(e.offset ? std::optional<std::int64_t>(*e.offset) : std::nullopt) +
           ", \"bit\": " + JsonNumber(e.bit) + ", \"bytes\": " + JsonString(Hex(e.bytes, "")) + "}";
}

std::string VerdictJson(const readers::ReaderVerdict& v) {
    const bool picture =
        v.verdict == readers::Verdict::Same || v.verdict == readers::Verdict::Differs;
    std::string out = "{\"name\": " + JsonString(v.name) + ", \"version\": " + Optional(v.version) +
                      ", \"package\": " + JsonString(v.package) + ", \"verdict\": \"" +
                      readers::VerdictName(v.verdict) + "\", \"message\": " + Optional(v.message);
    if (picture)
        out +=
            ", \"width\": " + std::to_string(v.width) + ", \"height\": " + std::to_string(v.height);
    if (v.verdict == readers::Verdict::Differs) {
        const inspect::PixelComparison& p = v.difference.pixels;
        out += ", \"differ\": ";
        out += v.difference.sameSize ? std::to_string(p.differ) : "null";
        out += ", \"box\": ";
        out += p.first ? "{\"left\": " + std::to_string(p.left) +
                             ", \"top\": " + std::to_string(p.top) +
                             ", \"right\": " + std::to_string(p.right) +
                             ", \"bottom\": " + std::to_string(p.bottom) + "}"
                       : "null";
        out += ", \"causes\": [";
        for (std::size_t i = 0; i < v.difference.causes.size(); ++i) {
            const inspect::CauseCount& c = v.difference.causes[i];
            out += std::string(i == 0 ? "" : ", ") + "{\"cause\": \"" +
                   inspect::CauseName(c.cause) + "\", \"pixels\": " + std::to_string(c.pixels) +
                   ", \"example\": " + (c.example ? ExampleJson(*c.example) : "null") + "}";
        }
        out += "]";
    }
    return out + "}";
}

std::string FileJson(const readers::FileVerdicts& f) {
    std::string out = "{\"schema\": 1, \"path\": " + JsonString(platform::AbsolutePath(f.path)) +
                      ", \"pixscope\": {\"refusal\": " + Optional(f.refusal) +
                      ", \"width\": " + std::to_string(f.width) +
                      ", \"height\": " + std::to_string(f.height) + "}, \"readers\": [";
    for (std::size_t i = 0; i < f.readers.size(); ++i)
        out += (i == 0 ? "" : ", ") + VerdictJson(f.readers[i]);
    return out + "]}";
}

std::string Short(const readers::ReaderVerdict& v) {
    std::string out = v.name + " " + readers::VerdictName(v.verdict);
    if (v.verdict == readers::Verdict::Differs) {
        out += " (";
        for (std::size_t i = 0; i < v.difference.causes.size(); ++i)
            out += std::string(i == 0 ? "" : ", ") +
                   inspect::CauseName(v.difference.causes[i].cause) + " " +
                   std::to_string(v.difference.causes[i].pixels);
        out += ")";
    }
    return out;
}

void PrintFile(const readers::FileVerdicts& f) {
    if (f.refusal.empty())
        std::printf("%s: Pixscope reads %lld x %lld\n", ShownName(f.path, stdout).c_str(),
                    static_cast<long long>(f.width), static_cast<long long>(f.height));
    else
        std::printf("%s: Pixscope reads no picture: %s\n", ShownName(f.path, stdout).c_str(),
                    f.refusal.c_str());
    for (const readers::ReaderVerdict& v : f.readers) {
        std::printf("  %-15s %-16s %s", v.name.c_str(), v.version.empty() ? "-" : v.version.c_str(),
                    readers::VerdictName(v.verdict));
        if (v.verdict == readers::Verdict::Missing)
            std::printf(" (Debian package %s)", v.package.c_str());
        else if (!v.message.empty())
            std::printf(": %s", v.message.c_str());
        if (v.verdict == readers::Verdict::Differs) {
            const inspect::PixelComparison& p = v.difference.pixels;
            if (v.difference.sameSize)
                std::printf(": %llu pixels, box (%lld, %lld) to (%lld, %lld)",
                            static_cast<unsigned long long>(p.differ),
                            static_cast<long long>(p.left), static_cast<long long>(p.top),
                            static_cast<long long>(p.right), static_cast<long long>(p.bottom));
            else
                std::printf(": it reads %lld x %lld", static_cast<long long>(v.width),
                            static_cast<long long>(v.height));
        }
        std::printf("\n");
        for (const inspect::CauseCount& c : v.difference.causes) {
            std::printf("      %-17s %llu", inspect::CauseName(c.cause),
                        static_cast<unsigned long long>(c.pixels));
            if (c.example) {
                const inspect::CauseExample& e = *c.example;
                std::printf("  e.g. (%lld, %lld) Pixscope %s, %s %s", static_cast<long long>(e.x),
                            static_cast<long long>(e.y), RgbaText(e.ours).c_str(), v.name.c_str(),
                            RgbaText(e.theirs).c_str());
                if (e.offset)
                    std::printf(", bytes %s at 0x%08llx%s", Hex(e.bytes, " ").c_str(),
                                static_cast<unsigned long long>(*e.offset),
                                e.bit ? (" bit " + std::to_string(*e.bit)).c_str() : "");
            }
            std::printf("\n");
        }
    }
}

const readers::Verdict kColumns[] = {readers::Verdict::Same,    readers::Verdict::Differs,
                                     readers::Verdict::Refused, readers::Verdict::Crashed,
                                     readers::Verdict::Timeout, readers::Verdict::Missing};

} // namespace

int RunReadersCommand(const std::vector<std::string>& args) {
    auto r = Parse(args);
    if (!r)
        return 2;
    std::string unknown;
    const std::vector<readers::Installed> found = readers::FindReaders(r->options, &unknown);
    if (!unknown.empty())
        return UsageError("readers", "no reader is called " + unknown);
    std::vector<std::string> order;
    std::map<std::string, std::map<readers::Verdict, int>> matrix;
    bool allSame = true;
    for (const std::string& path : r->files) {
        const readers::FileVerdicts f = readers::JudgeFile(path, found, r->options);
        for (const readers::ReaderVerdict& v : f.readers) {
            if (matrix.find(v.name) == matrix.end())
                order.push_back(v.name);
            ++matrix[v.name][v.verdict];
            allSame = allSame && (v.verdict == readers::Verdict::Same ||
                                  v.verdict == readers::Verdict::Missing);
        }
        if (r->json) {
            std::printf("%s\n", FileJson(f).c_str());
        } else if (r->files.size() == 1) {
            PrintFile(f);
        } else {
            std::string line = ShownName(path, stdout) + ":";
            for (std::size_t i = 0; i < f.readers.size(); ++i)
                line += (i == 0 ? " " : "; ") + Short(f.readers[i]);
            std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
    }
    if (r->files.size() > 1) {
        if (r->json) {
            std::string out =
                "{\"schema\": 1, \"files\": " + std::to_string(r->files.size()) + ", \"matrix\": [";
            for (std::size_t i = 0; i < order.size(); ++i) {
                out += (i == 0 ? "" : ", ") + std::string("{\"reader\": ") + JsonString(order[i]);
                for (const readers::Verdict v : kColumns)
                    out += std::string(", \"") + readers::VerdictName(v) +
                           "\": " + std::to_string(matrix[order[i]][v]);
                out += "}";
            }
            std::printf("%s]}\n", out.c_str());
        } else {
            std::printf("\n%-15s", "reader");
            for (const readers::Verdict v : kColumns)
                std::printf(" %8s", readers::VerdictName(v));
            std::printf("\n");
            for (const std::string& name : order) {
                std::printf("%-15s", name.c_str());
                for (const readers::Verdict v : kColumns)
                    std::printf(" %8d", matrix[name][v]);
                std::printf("\n");
            }
        }
    }
    return allSame ? 0 : 1;
}
