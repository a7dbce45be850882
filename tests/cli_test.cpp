// pixscope-cli as a user runs it: output bytes, messages and exit status.
#include "bmp_builder.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
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

CliRun Cli(const std::vector<std::string>& args, const std::string& cwd = "") {
    TempDir dir;
    std::string cmd =
        (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") + "TZ=UTC " + Quote(PIXSCOPE_CLI);
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

} // namespace

TEST(Cli, ReportOfASampleIsUtf8ByDefaultAndGbkOnRequest) {
    std::string path = Samples("sample-8bit.bmp");
    CliRun utf8 = Cli({"report", path});
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_EQ(utf8.err, "");
    EXPECT_EQ(utf8.out.rfind(path + "\r\n", 0), 0u);
    EXPECT_EQ(Count(utf8.out, "\r\n"), 33);
    EXPECT_NE(utf8.out.find("\t每个像素比特数(位深度)biBitCount:8 位\r\n"), std::string::npos);
    EXPECT_NE(utf8.out.find("\t位图图像数据起始地址:0x00000436h\r\n"), std::string::npos);

    CliRun gbk = Cli({"report", "--encoding=gbk", path});
    ASSERT_EQ(gbk.status, 0);
    EXPECT_EQ(gbk.out, platform::Utf8ToGbk(utf8.out));
    EXPECT_NE(gbk.out, utf8.out);
}

TEST(Cli, TimesAreTheFilesInLocalTime) {
    TempDir dir;
    std::string path = dir.Write("t.bmp", BuildBmp(BmpSpec{}));
    timespec times[2] = {{1342429505, 0}, {1342429504, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    CliRun r = Cli({"report", path});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\t修改时间:2012年07月16日09:05:04\r\n"), std::string::npos);
    // Loading the file may itself update its access time, so only the line is checked.
    EXPECT_NE(r.out.find("\t访问时间:"), std::string::npos);
    EXPECT_NE(r.out.find("\t文件大小:78 字节\r\n"), std::string::npos);
}

TEST(Cli, RelativePathsAreReportedAbsolute) {
    CliRun r = Cli({"report", "./sample-1bit.bmp"}, PIXSCOPE_SAMPLES);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string abs = std::filesystem::canonical(PIXSCOPE_SAMPLES).string() + "/sample-1bit.bmp";
    EXPECT_EQ(r.out.rfind(abs + "\r\n", 0), 0u) << r.out.substr(0, 80);
}

TEST(Cli, NonUtf8NamesAreNeverMangled) {
    TempDir dir;
    std::string path = dir.Write("\xFF\xE3\x83\xBB.bmp", BuildBmp(BmpSpec{}));
    CliRun utf8 = Cli({"report", path});
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_NE(utf8.out.find("\t文件全路径:" + dir.Dir() + "/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n"),
              std::string::npos);
    CliRun gbk = Cli({"report", "--encoding=gbk", path});
    EXPECT_NE(
        gbk.out.find(platform::Utf8ToGb18030(dir.Dir() + "/\xEF\xBF\xBD\xE3\x83\xBB.bmp\r\n")),
        std::string::npos);
}

TEST(Cli, FailuresAreReportedAndTheRestGoesOn) {
    TempDir dir;
    std::string text = dir.Write("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
    CliRun r = Cli({"report", dir.Path("missing.bmp"), text, Samples("sample-24bit.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Can't Read Files!!\nRead error\nRead Error!!\n");
    EXPECT_EQ(Count(r.out, "   文件基本信息FILEATTRIBUTE\r\n"), 1);
}

TEST(Cli, UsageErrors) {
    EXPECT_EQ(Cli({}).status, 2);
    EXPECT_EQ(Cli({"frobnicate"}).status, 2);
    EXPECT_EQ(Cli({"report"}).status, 2);
    EXPECT_EQ(Cli({"report", "--colour", "x.bmp"}).status, 2);
    CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("report [--encoding=utf-8|gbk] FILE..."), std::string::npos);
    EXPECT_EQ(Cli({"report", "--help"}).status, 0);
}

TEST(Cli, WholeCorpus) {
    std::string root = std::string(PIXSCOPE_CORPUS) + "/bmpsuite";
    if (!std::filesystem::exists(root))
        GTEST_SKIP() << "no corpus";
    std::vector<std::string> args = {"report", "--encoding=gbk"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() == ".bmp")
            args.push_back(entry.path().string());
    }
    ASSERT_EQ(args.size(), 2u + 89u);
    CliRun r = Cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Count(r.out, platform::Utf8ToGbk("   文件基本信息FILEATTRIBUTE\r\n")), 61);
    EXPECT_EQ(Count(r.err, "Read error\nRead Error!!\n"), 28);
    EXPECT_EQ(Count(r.err, "\n"), 56);
}
