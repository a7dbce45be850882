// pixscope-cli as a user runs it: output bytes, messages and exit status.
#include "bmp_builder.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// prefix: shell commands run first, such as a limit.
CliRun Cli(const std::vector<std::string>& args, const std::string& cwd = "",
           const std::string& prefix = "") {
    TempDir dir;
    std::string cmd =
        prefix + (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") + "TZ=UTC " + Quote(PIXSCOPE_CLI);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " >" + Quote(dir.Path("out")) + " 2>" + Quote(dir.Path("err"));
    int raw = std::system(cmd.c_str());
    auto text = [](const std::vector<BYTE>& b) { return std::string(b.begin(), b.end()); };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(ReadFileBytes(dir.Path("out"))),
            text(ReadFileBytes(dir.Path("err")))};
}

int Count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + 1))
        ++n;
    return n;
}

std::string Samples(const std::string& name) {
    return std::string(PIXSCOPE_SAMPLES) + "/" + name;
}

// A shell line as it stands, for redirections and terminals Cli does not make; $CLI
// names the program.
CliRun Shell(const std::string& line) {
    TempDir dir;
    const std::string cmd = "export CLI=" + Quote(PIXSCOPE_CLI) + "; (" + line + ") >" +
                            Quote(dir.Path("out")) + " 2>" + Quote(dir.Path("err"));
    const int raw = std::system(cmd.c_str());
    auto text = [](const std::vector<BYTE>& b) { return std::string(b.begin(), b.end()); };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(ReadFileBytes(dir.Path("out"))),
            text(ReadFileBytes(dir.Path("err")))};
}

} // namespace

TEST(Cli, HostileFilesNamesAndOutputsAreRefusedByNameWithNothingLost) {
    TempDir dir;
    const std::string bmp = Samples("sample-24bit.bmp");
    ::mkfifo(dir.Path("fifo").c_str(), 0600);
    dir.Write("-h", ReadFileBytes(bmp));
    dir.Write("--json", ReadFileBytes(bmp));
    const std::string in = "cd " + Quote(dir.Dir()) + " && timeout 20 $CLI ";
    const struct {
        const char* line; // after "cd DIR && timeout 20 $CLI "
        int status;
        const char* err; // a part of stderr
    } cases[] = {
        // Nothing waits on a FIFO or reads a folder, and the message says what it is.
        {"report fifo", 1, "pixscope-cli: fifo: is a FIFO\n"},
        {"pixel fifo 0 0", 1, "pixscope-cli: fifo: is a FIFO\n"},
        {"setpixel fifo 0 0 1 2 3 4 out.bmp", 1, "pixscope-cli: fifo: is a FIFO\n"},
        {"save16 fifo out.bmp", 1, "pixscope-cli: fifo: is a FIFO\n"},
        {"check fifo", 2, "cannot open fifo: is a FIFO\n"},
        {"where fifo 0 0", 2, "cannot open fifo: is a FIFO\n"},
        {"check .", 2, "cannot open .: is a directory\n"},
        {"save16 -- -h fifo", 1, "cannot create fifo: is a FIFO\n"},
        // Output that never reaches its file fails the command.
        {"report -- -h >/dev/full", 1, "pixscope-cli: write error: No space left on device\n"},
        {"check --json -- -h >/dev/full", 2, "write error: No space left on device\n"},
        // Options end at the first operand and at --.
        {"check -- -h --json", 0, ""},
        {"check --json -- --json", 0, ""},
        {"pixel -- -h 0 0", 0, ""},
        {"report fifo -h", 1, "pixscope-cli: fifo: is a FIFO\n"},
        {"setpixel -- -h 0 0 1 2 3 4 copy.bmp", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const CliRun r = Shell(in + c.line);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(r.status == 0, r.err.empty()) << r.err;
    }
    struct stat st {};
    EXPECT_TRUE(::stat(dir.Path("fifo").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bmp")));
    EXPECT_EQ(EntriesIn(dir.Dir()), 4u) << "fifo, -h, --json and copy.bmp, and nothing else";

    // A name that would rewrite the terminal is shown escaped there, and kept as it is
    // in a pipe.
    const std::string bad = "b\x1b[3Aall-clean.bmp";
    dir.Write(bad, {'x'});
    const std::string run = "cd " + Quote(dir.Dir()) + " && $CLI report " + Quote(bad);
    const CliRun tty = Shell("script -qec " + Quote(run) + " /dev/null");
    EXPECT_NE(tty.out.find("pixscope-cli: b\\e[3Aall-clean.bmp: "), std::string::npos) << tty.out;
    EXPECT_EQ(tty.out.find(bad), std::string::npos);
    EXPECT_NE(Shell(run + " 2>&1 | cat").out.find("pixscope-cli: " + bad + ": "),
              std::string::npos);

    // ".." after a link is the parent of where the link leads.
    std::filesystem::create_directories(dir.Path("real/sub"));
    std::filesystem::create_directories(dir.Path("work"));
    std::filesystem::copy_file(bmp, dir.Path("real/x.bmp"));
    std::filesystem::create_directory_symlink("../real/sub", dir.Path("work/link"));
    const CliRun linked = Cli({"check", "--json", "link/../x.bmp"}, dir.Path("work"));
    EXPECT_EQ(linked.out.rfind("{\"file\": \"" + dir.Path("real/x.bmp") + "\"", 0), 0u)
        << linked.out;
}

TEST(Cli, FieldsNamesEveryRegionAndFieldOfAnyHeader) {
    const std::string v5 = std::string(PIXSCOPE_PRODUCERS) + "/im-default.bmp";
    const CliRun json = Cli({"fields", "--json", v5});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.rfind("{\"path\": \"" + v5 + "\", \"size\": 418, \"regions\": [", 0), 0u);
    EXPECT_NE(json.out.find("{\"name\": \"BITMAPV5HEADER\", \"offset\": 14, \"size\": 124, "
                            "\"cut\": false, \"fields\": ["),
              std::string::npos);
    EXPECT_NE(json.out.find("{\"name\": \"bV5RedMask\", \"offset\": 54, \"size\": 4, "
                            "\"value\": \"0x00ff0000\", \"text\": "),
              std::string::npos);
    const CliRun text = Cli({"fields", v5});
    EXPECT_NE(text.out.find("  0x00000036 4 bV5RedMask 0x00ff0000 [0000ff00]  "),
              std::string::npos);
}

TEST(Cli, ReportOfALargeFileReadsOnlyItsHeaders) {
    TempDir dir;
    std::vector<BYTE> header =
        BmpFields{}.Size(16000, 10000).SizeImage(480000000).Pixels({0}).Build();
    header.resize(54);
    const std::string path = dir.Write("large.bmp", header);
    ASSERT_EQ(::truncate(path.c_str(), 54 + 480000000), 0); // 480 MB, sparse
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        ::execl(PIXSCOPE_CLI, PIXSCOPE_CLI, "report", path.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(usage.ru_maxrss, 32 * 1024) << "KiB resident";
}

TEST(Cli, ReportAsJsonGivesEveryFieldByItsName) {
    TempDir dir;
    const std::string path =
        dir.Write("four.bmp", BmpFields{}.Bits(4).Table(std::vector<RGBQUAD>(16)).Build());
    timespec times[2] = {{1342429505, 0}, {1342429504, 0}}; // accessed, modified
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    CliRun r = Cli({"report", "--json", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"path\": \"" + path + "\", \"size\": 126, \"created\": \"", 0), 0u);
    // The creation time is the file's birth, today; loading may touch the access time.
    const std::string modified = ", \"modified\": \"2012-07-16T09:05:04+00:00\", \"accessed\": ";
    EXPECT_NE(r.out.find(modified), std::string::npos) << r.out;
    EXPECT_EQ(
        r.out.substr(r.out.find("\"bfType\"")),
        "\"bfType\": 19778, \"bfSize\": 126, \"bfReserved1\": 0, \"bfReserved2\": 0, "
        "\"bfOffBits\": 118, \"biSize\": 40, \"biWidth\": 4, \"biHeight\": 2, \"biPlanes\": 1, "
        "\"biBitCount\": 4, \"biCompression\": 0, \"biSizeImage\": 8, "
        "\"biXPelsPerMeter\": 2835, \"biYPelsPerMeter\": 2835, \"biClrUsed\": 0, "
        "\"biClrImportant\": 0, \"linePixelBytes\": 4, \"colorTableEntries\": 16, "
        "\"colorTableBytes\": 64}\n");
}

TEST(Cli, NonUtf8NamesAreNeverMangled) {
    TempDir dir;
    std::string path = dir.Write("\xFF\xE3\x83\xBB.bmp", BuildBmp(BmpFields{}));
    CliRun utf8 = Cli({"report", path});
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_NE(utf8.out.find("\t文件全路径:" + dir.Dir() + "/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n"),
              std::string::npos);
    CliRun gbk = Cli({"report", "--encoding=gbk", path});
    EXPECT_NE(
        gbk.out.find(platform::Utf8ToGb18030(dir.Dir() + "/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n")),
        std::string::npos);
    // JSON keeps every valid UTF-8 name, one no code page has too (U+E78D), and writes
    // each byte that is not UTF-8 as U+FFFD.
    const std::string privateUse = dir.Write("\xEE\x9E\x8D.bmp", BuildBmp(BmpFields{}));
    EXPECT_NE(Cli({"check", "--json", privateUse, path})
                  .out.find("\"" + privateUse + "\", \"findings\": []}\n{\"file\": \"" + dir.Dir() +
                            "/\xEF\xBF\xBD\xE3\x83\xBB.bmp\""),
              std::string::npos);
}

TEST(Cli, FailuresAreReportedAndTheRestGoesOn) {
    TempDir dir;
    std::string text = dir.Write("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
    CliRun r = Cli({"report", dir.Path("missing.bmp"), text, Samples("sample-24bit.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Can't Read Files!!\npixscope-cli: " + dir.Path("missing.bmp") +
                         ": No such file or directory\nRead error\nRead Error!!\n"
                         "pixscope-cli: " +
                         text +
                         ": 文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它 "
                         "(\"pixscope-cli check " +
                         text + "\" lists every finding)\n");
    EXPECT_EQ(Count(r.out, "   文件基本信息FILEATTRIBUTE\r\n"), 1);

    // With --json every file named has its line, in order.
    r = Cli({"report", "--json", Samples("sample-8bit.bmp"), dir.Path("missing.bmp"), text,
             Samples("sample-24bit.bmp")});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_EQ(lines[0].find("{\"path\": \"" + Samples("sample-8bit.bmp") + "\", \"size\""), 0u);
    EXPECT_EQ(lines[1], "{\"path\": \"" + dir.Path("missing.bmp") +
                            "\", \"error\": {\"id\": \"cannot-open\", \"offset\": 0, \"message\": "
                            "\"No such file or directory\"}}");
    EXPECT_EQ(lines[2].find("{\"path\": \"" + text + "\", \"error\": {\"id\": \"magic\""), 0u);
    EXPECT_EQ(lines[3].find("{\"path\": \"" + Samples("sample-24bit.bmp") + "\""), 0u);
}

TEST(Cli, EveryRefusalOfAFileOtherProgramsWroteNamesItsHeader) {
    const std::string producers = PIXSCOPE_PRODUCERS;
    const struct {
        const char* file;
        const char* header;
    } refused[] = {
        {"im-default.bmp", "124 字节，是 BITMAPV5HEADER"},
        {"im-palette.bmp", "124 字节，是 BITMAPV5HEADER"},
        {"im-monochrome.bmp", "108 字节，是 BITMAPV4HEADER"},
        {"gm-alpha.bmp", "108 字节，是 BITMAPV4HEADER"},
        {"im-bmp2.bmp", "12 字节，是 BITMAPCOREHEADER"},
        {"netpbm-os2.bmp", "12 字节，是 BITMAPCOREHEADER"},
    };
    TempDir dir;
    for (const auto& f : refused) {
        const std::string path = producers + "/" + f.file;
        const std::vector<std::vector<std::string>> calls = {
            {"report", path},
            {"pixel", path, "0", "0"},
            {"setpixel", path, "0", "0", "1", "2", "3", "4", dir.Path("out.bmp")},
            {"save16", path, dir.Path("out.bmp")}};
        for (const auto& call : calls) {
            SCOPED_TRACE(call[0] + " " + f.file);
            const CliRun r = Cli(call);
            EXPECT_EQ(r.status, 1);
            const std::string specified = "Read error\nRead Error!!\n";
            EXPECT_EQ(r.err.rfind(specified, 0), 0u) << r.err;
            EXPECT_NE(r.err.find("pixscope-cli: " + path + ": 信息头长 " + f.header),
                      std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find("pixscope-cli check " + path), std::string::npos) << r.err;
        }
        EXPECT_FALSE(std::filesystem::exists(dir.Path("out.bmp")));
        // where reads every header kind, and says the pixel's colour as Pillow reads it.
        const CliRun where = Cli({"where", "--json", path, "0", "0"});
        EXPECT_EQ(where.status, 0) << where.err;
        const bool monochrome = std::string(f.file) == "im-monochrome.bmp";
        EXPECT_NE(where.out.find(monochrome ? "\"b\": 0, \"g\": 0, \"r\": 0, "
                                            : "\"b\": 0, \"g\": 5, \"r\": 0, "),
                  std::string::npos)
            << where.out;
    }
}

TEST(Cli, Save16WritesWhatTheUserSeesOrNothing) {
    TempDir dir;
    // Saved again, a 16-bit file comes out as it went in.
    const std::string a = dir.Path("a.bmp"), b = dir.Path("b.bmp");
    ASSERT_EQ(Cli({"save16", Samples("sample-24bit.bmp"), a}).status, 0);
    const std::vector<BYTE> bytes = ReadFileBytes(a);
    ASSERT_EQ(bytes.size(), 54u + 96u * 2u * 64u);
    EXPECT_EQ(bytes[28], 16); // biBitCount
    ASSERT_EQ(Cli({"save16", a, b}).status, 0);
    EXPECT_EQ(ReadFileBytes(b), bytes);

    // 24 bits labelled run-length: saved from its bytes, as `pixel` shows them.
    const BmpFields labelled = BmpFields{}.Size(1, 1).Compression(BI_RLE8).Pixels({0, 0, 0xF8, 0});
    std::string in = dir.Write("rle24.bmp", BuildBmp(labelled)), out = dir.Path("out.bmp");
    ASSERT_EQ(Cli({"save16", in, out}).status, 0);
    EXPECT_EQ(Cli({"pixel", out, "0", "0"}).out, "0 0 255 0\n"); // 0x7C00: red

    // 2 bits: nothing decodes it, so nothing is written and OUT keeps its bytes.
    const BmpFields twoBits = BmpFields{}.Bits(2).Table(std::vector<RGBQUAD>(4));
    std::string kept = dir.Write("kept.bmp", {'k'});
    CliRun r = Cli({"save16", dir.Write("pal2.bmp", BuildBmp(twoBits)), kept});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("不能解码"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(kept), std::vector<BYTE>{'k'});

    // 3000000 x 2000000 at 16 bits needs more than a 32-bit size field holds.
    const BmpFields huge =
        BmpFields{}.Size(3000000, 2000000).SizeImage(0xFFFFFFF0u).Pixels(std::vector<BYTE>(64));
    r = Cli({"save16", dir.Write("huge.bmp", huge.Build()), kept});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "内存不足。\n");
    EXPECT_EQ(ReadFileBytes(kept), std::vector<BYTE>{'k'});

    // A read-only OUT is refused as one that can't be created, for root too, as is one
    // in a missing folder.
    EXPECT_NE(Cli({"save16", in, dir.Path("none/x.bmp")}).err.find("cannot create"),
              std::string::npos);
    ::chmod(kept.c_str(), 0444);
    r = Cli({"save16", in, kept});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(kept), std::vector<BYTE>{'k'});
}

#if !defined(__SANITIZE_ADDRESS__)
// A 1 KB 8-bit file that declares 2^28 x 1 pixels, under a 2 GB address-space limit: it
// converts in tiles, or says memory ran out; it never aborts.
TEST(Cli, Save16OfAVeryWidePictureWithinTwoGigabytes) {
    TempDir dir;
    const BmpFields wide = BmpFields{}
                               .Size(1 << 28, 1)
                               .Bits(8)
                               .Table(std::vector<RGBQUAD>(256, RGBQUAD{0, 0, 0xFF, 0}))
                               .Pixels(std::vector<BYTE>(512))
                               .SizeImage(512);
    std::string out = dir.Path("out.bmp");
    CliRun r =
        Cli({"save16", dir.Write("wide.bmp", BuildBmp(wide)), out}, "", "ulimit -v 2000000; ");
    if (r.status == 0) {
        EXPECT_EQ(std::filesystem::file_size(out), 54u + (std::uintmax_t{1} << 29));
        // Red where the file holds bytes; black past them, as the preview shows it.
        EXPECT_EQ(Cli({"pixel", out, "511", "0"}).out, "0 0 255 0\n");
        EXPECT_EQ(Cli({"pixel", out, std::to_string((1 << 28) - 1), "0"}).out, "0 0 0 0\n");
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "内存不足。\n");
    }
}
#endif

// Each command line as a user types it in a folder of small files: what it prints,
// what it says and its exit status. `out` is exact, or "*…*" a part of it; `err` is a
// part of stderr, and a line that succeeds with no `err` says nothing there. {D} is
// the folder, {S} the samples'.
TEST(Cli, EachCommandLineGivesItsOutputMessageAndStatus) {
    const std::string outside = "输入的坐标超过图像大小了⊙﹏⊙b汗\n";
    const std::string planes =
        "0x0000001a (26) warning planes: biPlanes 是 3，应为 1；多数读取程序忽略它\n";
    const struct {
        std::string line; // after "cd {D} &&"; $S, $P: the samples and producers
        int status;
        std::string out = "**", err = "";
    } rows[] = {
        // clang-format off
        {"$CLI pixel p.bmp 1 0", 0, "13 14 15 16\n"}, // the top row is stored second
        {"$CLI pixel p.bmp 0 1", 0, "1 2 3 4\n"},
        {"$CLI pixel --json p.bmp 1 0", 0, "{\"x\": 1, \"y\": 0, \"b\": 13, \"g\": 14, \"r\": 15, \"s\": 16}\n"},
        {"$CLI pixel td.bmp 1 0", 0, "13 14 15 16\n"}, // top-down: the same pixels
        {"$CLI pixel p.bmp 2 0", 1, "", outside}, {"$CLI pixel p.bmp -1 0", 1, "", outside},
        {"$CLI pixel p.bmp 0 2", 1, "", outside}, {"$CLI pixel p.bmp 0 -1", 1, "", outside},
        {"$CLI pixel p.bmp x 0", 2, ""}, {"$CLI pixel p.bmp 0", 2, ""},
        {"$CLI setpixel $S/sample-24bit.bmp 5 6 1 2 3 4 out.bmp && $CLI pixel out.bmp 5 6 && "
         "[ $(wc -c <out.bmp) = $(wc -c <$S/sample-24bit.bmp) ]", 0, "1 2 3 0\n"},
        {"$CLI setpixel $S/sample-8bit.bmp 0 0 1 2 3 4 keep.bmp", 1, "", "目前只支持24/32位真彩位图！(⊙o⊙)…\n"},
        {"$CLI setpixel $S/sample-16bit.bmp 0 0 1 2 3 4 keep.bmp; s=$?; cat keep.bmp; exit $s", 1, "k", "目前只支持24/32位真彩位图"},
        {"$CLI setpixel $S/sample-24bit.bmp 0 0 1 2 256 4 keep.bmp", 2, ""},
        {"$CLI setpixel $S/sample-24bit.bmp 96 0 1 2 3 4 keep.bmp; s=$?; cat keep.bmp; exit $s", 1, "k", outside},
        {"$CLI", 2, "", "Usage: pixscope-cli COMMAND"},
        {"$CLI frobnicate", 2, "", "frobnicate"},
        {"$CLI report", 2, "", "pixscope-cli report: no file given (try --help)\n"},
        {"$CLI report --colour x.bmp", 2, "", "pixscope-cli report: unknown option --colour (try --help)\n"},
        {"$CLI fields --colour $P/im-default.bmp", 2, ""},
        {"$CLI --help", 0, "*report [--encoding=utf-8|gbk | --json] FILE...*"},
        {"$CLI report --help", 0},
        // The report: UTF-8 lines ending CR LF, GBK on request, the last choice counting.
        {"$CLI report $S/sample-8bit.bmp | head -n 1", 0, "{S}/sample-8bit.bmp\r\n"},
        {"$CLI report $S/sample-8bit.bmp | grep -c $(printf '\\r$')", 0, "33\n"},
        {"$CLI report $S/sample-8bit.bmp", 0, "*\t每个像素比特数(位深度)biBitCount:8 位\r\n\t*"},
        {"$CLI report $S/sample-8bit.bmp", 0, "*\t位图图像数据起始地址:0x00000436h\r\n*"},
        {"$CLI report $S/sample-8bit.bmp >u && $CLI report --encoding=gbk $S/sample-8bit.bmp >g && "
         "! cmp -s g u && iconv -f GBK -t UTF-8 g | cmp - u && "
         "$CLI report --encoding=gbk --encoding=utf-8 $S/sample-8bit.bmp | cmp - u", 0, ""},
        // Relative and dotted names are reported absolute and normal.
        {"cd $S && $CLI report ./sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"cd $S && $CLI report ././/sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"cd $S && $CLI report ../samples/./sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"$CLI report $S/../samples/sample-1bit.bmp | head -n 1", 0, "{S}/sample-1bit.bmp\r\n"},
        {"$CLI check warn.bmp", 0, planes},
        {"$CLI check good.bmp", 0, ""},
        {"$CLI check good.bmp warn.bmp", 0, "good.bmp:\nwarn.bmp:\n" + planes},
        // Quotes and control characters in a name are escaped in JSON.
        {"$CLI check --json \"$BAD\"", 1,
         "{\"file\": \"{D}/bad\\\"\\u0009\\u001fname.bmp\", \"findings\": [{\"id\": \"magic\", "
         "\"severity\": \"error\", \"offset\": 0, \"length\": 2, \"field\": \"bfType\", "
         "\"declared\": null, \"actual\": null, \"message\": "
         "\"文件不以“BM”开头，不是 BMP 位图文件：打开命令拒绝它\"}]}\n"},
        // A file that can't be opened outweighs an error.
        {"$CLI check good.bmp missing.bmp \"$BAD\"", 2, "**", "missing.bmp"},
        {"$CLI check", 2, ""},
        {"$CLI where --json good.bmp 3 0", 0,
         "{\"x\": 3, \"y\": 0, \"offset\": 75, \"bit\": null, \"row\": 1, \"rowOffset\": 66, "
         "\"stride\": 12, \"padding\": 0, \"bytes\": \"000000\", \"read\": true, "
         "\"b\": 0, \"g\": 0, \"r\": 0, \"s\": 0}\n"},
        {"$CLI where good.bmp 4 0", 1, "", outside},
        {"$CLI where missing.bmp 0 0", 2, ""}, {"$CLI where good.bmp 0", 2, ""},
        {"$CLI where one.bmp 10 0", 0, "pixel (10, 0)\noffset 0x00000043 (67), bit 5\n"
         "stored row 1 at 0x00000042 (66)\nrow stride 4 bytes, padding 2\nbytes 20\n"},
        {"$CLI where cut.bmp 3 0", 0, "pixel (3, 0)\noffset 0x0000004b (75)\nstored row 1 at "
         "0x00000042 (66)\nrow stride 12 bytes, padding 0\nbytes (past the end of the file)\n"},
        {"$CLI where rle.bmp 3 0", 0, "pixel (3, 0)\nrun-length code at 0x0000043e (1086): 02 04\n"
         "stored row 1\n"},
        {"$CLI where unset.bmp 3 1", 0, "pixel (3, 1)\nno run-length code sets it\nstored row 0\n"},
        // clang-format on
    };
    TempDir dir;
    BmpFields p = BmpFields{}.Size(2, 2).Bits(32).Pixels(
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    dir.Write("p.bmp", p.Build());
    dir.Write(
        "td.bmp",
        p.Size(2, -2).Pixels({9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8}).Build());
    std::vector<BYTE> warned = BmpFields{}.Build(), cut = BmpFields{}.Build();
    warned[26] = 3; // biPlanes
    cut.resize(cut.size() - 3);
    const auto rle = [](std::vector<BYTE> stream) {
        const auto n = static_cast<DWORD>(stream.size());
        return BmpFields{}
            .Bits(8)
            .Table(std::vector<RGBQUAD>(256))
            .Compression(BI_RLE8)
            .Pixels(std::move(stream))
            .SizeImage(n)
            .Build();
    };
    dir.Write("good.bmp", BmpFields{}.Build());
    dir.Write("warn.bmp", warned);
    dir.Write("cut.bmp", cut);
    dir.Write("keep.bmp", {'k'});
    dir.Write("bad\"\t\x1fname.bmp", {'B', 'A'});
    dir.Write("one.bmp", BmpFields{}
                             .Size(12, 2)
                             .Bits(1)
                             .Table({{}, {}})
                             .Pixels({0, 0, 0, 0, 0, 0x20, 0, 0})
                             .Build());
    dir.Write("rle.bmp", rle({2, 1, 2, 2, 0, 0, 2, 3, 2, 4, 0, 0, 0, 1}));
    dir.Write("unset.bmp", rle({2, 1, 0, 1}));
    const std::string samples = std::filesystem::canonical(PIXSCOPE_SAMPLES).string();
    const auto fill = [&](std::string text) {
        for (const auto& [mark, value] : {std::pair{"{D}", dir.Dir()}, {"{S}", samples}})
            for (size_t at; (at = text.find(mark)) != std::string::npos;)
                text.replace(at, 3, value);
        return text;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const CliRun r = Shell("cd " + Quote(dir.Dir()) + " && S=" + Quote(samples) +
                               " P=" + Quote(PIXSCOPE_PRODUCERS) +
                               " BAD=$(printf 'bad\"\\t\\037name.bmp') && " + row.line);
        EXPECT_EQ(r.status, row.status) << r.err;
        const std::string out = fill(row.out);
        const bool part = out.size() >= 2 && out.front() == '*' && out.back() == '*';
        if (part) {
            EXPECT_NE(r.out.find(out.substr(1, out.size() - 2)), std::string::npos) << r.out;
        } else {
            EXPECT_EQ(r.out, out);
        }
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
        EXPECT_TRUE(!row.err.empty() || row.status != 0 || r.err.empty()) << r.err;
    }
}
