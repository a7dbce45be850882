// What `readers` says of Pillow, held against Pillow asked directly: on every file of the
// suite's q/ folder, Pillow refuses exactly where `readers` says it does, and where it
// reads, its picture equals Pixscope's exactly where `readers` says "same".
#include "bmp_builder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

int Status(const std::string& line) {
    const int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace

TEST(Readers, PillowsVerdictOnEachQuestionableFileIsWhatPillowDoes) {
    TempDir dir;
    const std::string cli = ShellQuote(PIXSCOPE_CLI), png = ShellQuote(dir.Path("pillow.png"));
    const std::string ours = ShellQuote(dir.Path("ours.png")), said = ShellQuote(dir.Path("said"));
    int files = 0;
    for (const auto& e :
         std::filesystem::directory_iterator(std::string(PIXSCOPE_CORPUS) + "/bmpsuite/q")) {
        const std::string f = ShellQuote(e.path().string());
        SCOPED_TRACE(e.path().filename().string());
        std::filesystem::remove(dir.Path("pillow.png"));
        const bool reads =
            Status("/usr/bin/python3 -c \"import sys; from PIL import Image; "
                   "Image.open(sys.argv[1]).convert('RGBA').save(sys.argv[2], 'PNG')\" " +
                   f + " " + png + " 2>/dev/null") == 0;
        Status(cli + " readers --json --only pillow " + f +
               " | grep -o '\"verdict\": \"[a-z]*\"' >" + said);
        const std::vector<BYTE> verdict = ReadFileBytes(dir.Path("said"));
        const std::string v(verdict.begin(), verdict.end());
        if (!reads) {
            EXPECT_EQ(v, "\"verdict\": \"refused\"\n");
            continue;
        }
        const bool same = Status(cli + " decode " + f + " " + ours + " >/dev/null 2>&1 && " + cli +
                                 " compare " + ours + " " + png + " >/dev/null") == 0;
        EXPECT_EQ(v, same ? "\"verdict\": \"same\"\n" : "\"verdict\": \"differs\"\n");
        ++files;
    }
    EXPECT_GT(files, 15); // files Pillow reads: the comparison was made
}
