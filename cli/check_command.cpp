// pixscope-cli check [--json] [--image N] FILE...: each file checked against its own bytes.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "cli/output.h"
#include "dib/pixel_rules.h"
#include "inspect/check_bitmap.h"
#include "platform/mapped_file.h"
#include "platform/paths.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintLines(const std::vector<inspect::Finding>& findings) {
    for (const inspect::Finding& f : findings)
        std::printf("0x%08llx (%llu) %s %s: %s\n", static_cast<unsigned long long>(f.offset),
                    static_cast<unsigned long long>(f.offset), inspect::SeverityName(f.severity),
                    f.id.c_str(), f.message.c_str());
}

void PrintJson(const std::string& path, const std::vector<inspect::Finding>& findings) {
    std::string out = "{\"schema\": 1, \"file\": " + JsonString(path) + ", \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const inspect::Finding& f = findings[i];
        out += (i == 0 ? "" : ", ");
        out += "{\"id\": " + JsonString(f.id) +
               ", \"severity\": " + JsonString(inspect::SeverityName(f.severity)) +
               ", \"offset\": " + std::to_string(f.offset) +
               ", \"length\": " + std::to_string(f.length) +
               ", \"field\": " + (f.field.empty() ? "null" : JsonString(f.field)) +
               ", \"declared\": " + JsonNumber(f.declared) +
               ", \"actual\": " + JsonNumber(f.actual) + ", \"message\": " + JsonString(f.message) +
               "}";
    }
    std::printf("%s]}\n", out.c_str());
}

} // namespace

int RunCheckCommand(const std::vector<std::string>& args) {
    bool json = false;
    std::size_t image = 0;
    const Arguments split = SplitArguments(args);
    const std::vector<std::string>& files = split.operands;
    for (const std::string& a : split.options) {
        if (const auto n = ImageOption(a))
            image = *n;
        else if (a == "--json")
            json = true;
        else
            return UsageError("check", "unknown option " + a);
    }
    if (files.empty())
        return UsageError("check", "no file given");
    int status = 0;
    for (const std::string& path : files) {
        platform::MappedFile file(path);
        if (file.Error() != 0) {
            const inspect::Finding why = CannotOpen(path, file.Error());
            std::fprintf(stderr, "pixscope-cli check: cannot open %s: %s\n",
                         ShownName(path, stderr).c_str(), why.message.c_str());
            if (json) {
                std::printf("{\"schema\": 1, \"path\": %s, \"error\": %s}\n",
                            JsonString(platform::AbsolutePath(path)).c_str(),
                            JsonError(why).c_str());
            }
            status = 2;
            continue;
        }
        const std::vector<inspect::Finding> findings = inspect::CheckBitmap(file.Bytes(), image);
        if (file.Changed()) {
            std::fprintf(stderr, "pixscope-cli: %s changed while it was read\n",
                         ShownName(path, stderr).c_str());
            // Every file named gets its line.
            if (json) {
                inspect::Finding why;
                why.id = "changed";
                why.message = kFileChangedMessage;
                std::printf("{\"schema\": 1, \"path\": %s, \"error\": %s}\n",
                            JsonString(platform::AbsolutePath(path)).c_str(),
                            JsonError(why).c_str());
                FlushOutput();
            }
            status = 2;
            continue;
        }
        if (json) {
            PrintJson(platform::AbsolutePath(path), findings);
        } else {
            if (files.size() > 1)
                std::printf("%s:\n", ShownName(path, stdout).c_str());
            PrintLines(findings);
        }
        if (inspect::HasError(findings) && status == 0)
            status = 1;
        FlushOutput();
    }
    return status;
}
