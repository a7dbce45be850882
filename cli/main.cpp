// pixscope-cli: the headless companion of Pixscope.
#include "cli/report_command.h"
#include "platform/interaction.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: pixscope-cli COMMAND [OPTIONS] ARGS...\n"
    "\n"
    "Looks inside Windows bitmap (BMP) files without a window, exactly as Pixscope does.\n"
    "\n"
    "Commands:\n"
    "  report [--encoding=utf-8|gbk] FILE...\n"
    "      Prints each file's 33-line report: its path, size and times, every field of\n"
    "      its BITMAPFILEHEADER and BITMAPINFOHEADER, and the derived figures. Lines end\n"
    "      in CR LF. Text is UTF-8 by default; --encoding=gbk writes the exact code page\n"
    "      936 bytes that Pixscope keeps in its report buffer and exports.\n"
    "      A file that cannot be opened prints \"Can't Read Files!!\" on stderr; one that\n"
    "      is not a loadable bitmap prints \"Read error\" and \"Read Error!!\". The other\n"
    "      files are still reported.\n"
    "\n"
    "Exit status: 0 when every file was reported, 1 when any failed, 2 for a usage error.\n";

} // namespace

int main(int argc, char** argv) {
    platform::SetApplicationTitle(platform::TitleFromProgramPath(argv[0]));
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string command = args[0];
    args.erase(args.begin());
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (command == "report")
        return RunReportCommand(args);
    std::fprintf(stderr, "pixscope-cli: unknown command '%s' (try --help)\n", command.c_str());
    return 2;
}
