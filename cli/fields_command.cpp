// pixscope-cli fields [--json] [--image N] FILE: the file's regions and fields, one line each.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "inspect/structure.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"

#include <cstdio>

namespace {

void PrintText(const inspect::Structure& s) {
    for (const inspect::Region& r : s.regions) {
        std::printf("0x%08llx %llu %s%s\n", static_cast<unsigned long long>(r.offset),
                    static_cast<unsigned long long>(r.size), r.name.c_str(), r.cut ? " (cut)" : "");
        for (const inspect::StructureField& f : r.fields)
            std::printf("  0x%08llx %u %s %s [%s]%s  %s\n",
                        static_cast<unsigned long long>(f.offset), f.size, f.name.c_str(),
                        TextOf(f.value).c_str(), f.raw.c_str(), f.cut ? " (cut)" : "",
                        f.meaning.c_str());
    }
}

void PrintJson(const std::string& path, const inspect::Structure& s) {
    std::string out = "{\"path\": " + JsonString(path) + ", \"size\": " + std::to_string(s.size) +
                      ", \"regions\": [";
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
                   ", \"size\": " + std::to_string(f.size) + ", \"value\": " + JsonString(f.value) +
                   ", \"text\": " + JsonString(f.meaning) + "}";
        }
        out += "]}";
    }
    std::printf("%s]}\n", out.c_str());
}

} // namespace

int RunFieldsCommand(const std::vector<std::string>& args) {
    const Arguments split = SplitArguments(args);
    bool json = false;
    std::size_t image = 0;
    for (const std::string& o : split.options) {
        if (const auto n = ImageOption(o))
            image = *n;
        else if (o == "--json")
            json = true;
        else
            return UsageError("fields", "unknown option " + o);
    }
    if (split.operands.size() != 1)
        return UsageError("fields", "expects [--json] [--image N] FILE");
    const std::string& path = split.operands[0];
    platform::MappedFile file(path);
    if (file.Error() != 0) {
        std::fprintf(stderr, "pixscope-cli fields: cannot open %s: %s\n",
                     ShownName(path, stderr).c_str(),
                     CannotOpen(path, file.Error()).message.c_str());
        return 2;
    }
    const inspect::Structure s = inspect::DescribeStructure(file.Bytes(), image);
    if (file.Changed()) {
        std::fprintf(stderr, "pixscope-cli: %s changed while it was read\n",
                     ShownName(path, stderr).c_str());
        return 2;
    }
    if (json)
        PrintJson(platform::AbsolutePath(path), s);
    else
        PrintText(s);
    return 0;
}
