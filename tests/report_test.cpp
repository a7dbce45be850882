// The 33-line report: exact text, tree placement and the derived figures.
#include "bmp_builder.h"
#include "report/bitmap_report.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace {

// Times in UTC, whatever the machine's zone; the zone is put back after.
class Report : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            m_saved = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        m_saved ? setenv("TZ", m_saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_saved;
};

BITMAPFILEHEADER FileHeader(DWORD size, DWORD offBits) {
    return {0x4D42, size, 0, 0, offBits};
}

BITMAPINFOHEADER InfoHeader(LONG w, LONG h, WORD bits, DWORD compression = BI_RGB) {
    return {40, w, h, 1, bits, compression, 0, 3780, 3780, 0, 0};
}

CFileStatus Status(ULONGLONG size) {
    CFileStatus s;
    s.m_size = size;
    s.m_ctime = CTime(1342429503); // 2012-07-16 09:05:03 UTC
    s.m_mtime = CTime(1342429504);
    s.m_atime = CTime(1342429505);
    return s;
}

std::string Utf8Line(const BitmapReport& r, int lineNumber) {
    return r.lines.at(lineNumber - 1).text.ToUtf8();
}

} // namespace

TEST_F(Report, WholeTextOfAnEightBitFile) {
    BITMAPINFOHEADER ih = InfoHeader(127, 64, 8);
    ih.biSizeImage = 8192;
    ih.biClrUsed = 252;
    BitmapReport r = ComposeReport("C:\\pics\\pal8.bmp", Status(9254), FileHeader(9254, 1062), ih);
    EXPECT_EQ(r.fileLabel.ToUtf8(), "pal8.bmp ");
    const char* expected = "C:\\pics\\pal8.bmp\r\n"
                           "   文件基本信息FILEATTRIBUTE\r\n"
                           "\t文件全路径:C:\\pics\\pal8.bmp\r\n"
                           "\t文件大小:9254 字节\r\n"
                           "\t创建时间:2012年07月16日09:05:03\r\n"
                           "\t修改时间:2012年07月16日09:05:04\r\n"
                           "\t访问时间:2012年07月16日09:05:05\r\n"
                           "   位图文件头BITMAPFILEHEADER 共14字节\r\n"
                           "\t位图文件类型bfType:0x4d42\r\n"
                           "\t位图文件大小bfSize:9254 字节\r\n"
                           "\tWindows保留字bfReserve1:0\r\n"
                           "\tWindows保留字bfReserve2:0\r\n"
                           "\t数据离起始偏移量bfOffBits:1062 位\r\n"
                           "   位图信息头BITMAPINFOHEADER 共40字节\r\n"
                           "\t位图信息头大小biSize:40 字节\r\n"
                           "\t位图宽度bfWidth:127 像素\r\n"
                           "\t位图高度bfHeight:64 像素\r\n"
                           "\t目标设备级别biPlane:1\r\n"
                           "\t每个像素比特数(位深度)biBitCount:8 位\r\n"
                           "\t位图压缩类型biCompression:0 ,BI_RGB\r\n"
                           "\t位图数据实际字节数bfSizeImage:8192\r\n"
                           "\t目标设备水平分辨率(像素/米)biXPelsPerMeter:3780 \r\n"
                           "\t目标设备垂直分辨率(像素/米)biYPelsPerMeter:3780 \r\n"
                           "\t位图实际使用颜色数biClrUsed:252\r\n"
                           "\t显示时重要颜色数biClrImportant:0\r\n"
                           "   位图其他参考信息:\r\n"
                           "\t位图文件图像数据行字节数LinePixelBytes:128\r\n"
                           "\t位图颜色表/调色板颜色数目:256\r\n"
                           "\t位图颜色表/调色板大小:1024 字节\r\n"
                           "\t位图文件头起始地址:0x00000000h\r\n"
                           "\t位图信息头起始地址:0x0000000eh\r\n"
                           "\t位图颜色表/调色板起始地址:0x00000036h\r\n"
                           "\t位图图像数据起始地址:0x00000426h\r\n";
    EXPECT_EQ(ReportText(r).ToUtf8(), expected);
    ASSERT_EQ(r.lines.size(), 33u);
}

TEST_F(Report, TreePlacement) {
    BitmapReport r = ComposeReport("/x/a.bmp", Status(1), FileHeader(1, 54), InfoHeader(1, 1, 24));
    EXPECT_EQ(r.lines[0].place, TreePlace::None);
    int groups = 0;
    std::vector<int> itemsPerGroup;
    for (const ReportLine& l : r.lines) {
        if (l.place == TreePlace::Group) {
            ++groups;
            EXPECT_EQ(l.image, groups);
            EXPECT_EQ(l.treeText, l.text);
            itemsPerGroup.push_back(0);
        } else if (l.place == TreePlace::Item) {
            ASSERT_FALSE(itemsPerGroup.empty());
            ++itemsPerGroup.back();
        }
    }
    EXPECT_EQ(itemsPerGroup, (std::vector<int>{5, 5, 11, 7}));
    EXPECT_EQ(r.lines[2].treeText.ToUtf8(), "文件全路径:/x/a.bmp\r\n");
    EXPECT_EQ(r.lines[3].treeText.ToUtf8(), "文件大小:1 字节");
    EXPECT_EQ(r.lines[4].treeText.ToUtf8(), "创建时间:2012年07月16日09:05:03");
    EXPECT_EQ(r.lines[8].treeText, r.lines[8].text);
}

TEST_F(Report, DerivedFiguresAndSignedness) {
    struct Case {
        const char* name;
        BITMAPFILEHEADER fh;
        BITMAPINFOHEADER ih;
        int line;
        const char* expected;
        ULONGLONG size = 1; // the file's
    };
    BITMAPINFOHEADER oneBit = InfoHeader(33, 1, 1);
    BITMAPINFOHEADER fourBits = InfoHeader(3, 1, 4);
    BITMAPINFOHEADER topDown = InfoHeader(10, -7, 24);
    BITMAPINFOHEADER jpeg = InfoHeader(10, 1, 24, 4);
    BITMAPINFOHEADER clr16 = InfoHeader(1, 1, 8);
    clr16.biClrUsed = 16;
    BITMAPINFOHEADER bigSize = InfoHeader(1, 1, 24);
    bigSize.biSizeImage = 0xFFFFFFFE;
    BITMAPINFOHEADER hugeWidth = InfoHeader(0x7FFFFFFF, 1, 32);
    BITMAPFILEHEADER reserved = FileHeader(0x80000000u, 54);
    reserved.bfReserved1 = 65535;
    const Case cases[] = {
        // clang-format off
        {"1 bit, 33 wide: row bytes", FileHeader(1, 62), oneBit, 27, "\t位图文件图像数据行字节数LinePixelBytes:8\r\n"},
        {"1 bit: entries", FileHeader(1, 62), oneBit, 28, "\t位图颜色表/调色板颜色数目:2\r\n"},
        {"1 bit: table bytes", FileHeader(1, 62), oneBit, 29, "\t位图颜色表/调色板大小:8 字节\r\n"},
        {"4 bits: row bytes", FileHeader(1, 118), fourBits, 27, "\t位图文件图像数据行字节数LinePixelBytes:4\r\n"},
        {"4 bits: entries", FileHeader(1, 118), fourBits, 28, "\t位图颜色表/调色板颜色数目:16\r\n"},
        {"4 bits: table bytes", FileHeader(1, 118), fourBits, 29, "\t位图颜色表/调色板大小:64 字节\r\n"},
        {"24 bits, 10 wide", FileHeader(1, 54), InfoHeader(10, 1, 24), 27, "\t位图文件图像数据行字节数LinePixelBytes:32\r\n"},
        {"24 bits: no table", FileHeader(1, 54), InfoHeader(10, 1, 24), 29, "\t位图颜色表/调色板大小:0 字节\r\n"},
        {"table start is fixed", FileHeader(1, 54), InfoHeader(10, 1, 24), 32, "\t位图颜色表/调色板起始地址:0x00000036h\r\n"},
        {"top-down height", FileHeader(1, 54), topDown, 17, "\t位图高度bfHeight:-7 像素\r\n"},
        {"unknown compression", FileHeader(1, 54), jpeg, 20, "\t位图压缩类型biCompression:4 \r\n"},
        {"biClrUsed 16: entries", FileHeader(1, 118), clr16, 28, "\t位图颜色表/调色板颜色数目:256\r\n"},
        {"biClrUsed 16: line 24", FileHeader(1, 118), clr16, 24, "\t位图实际使用颜色数biClrUsed:16\r\n"},
        {"biSizeImage prints signed", FileHeader(1, 54), bigSize, 21, "\t位图数据实际字节数bfSizeImage:-2\r\n"},
        {"row bytes wrap in 32 bits", FileHeader(1, 54), hugeWidth, 27, "\t位图文件图像数据行字节数LinePixelBytes:0\r\n"},
        {"bfReserved1 zero-extended", reserved, InfoHeader(1, 1, 24), 11, "\tWindows保留字bfReserve1:65535\r\n"},
        {"bfSize prints signed", reserved, InfoHeader(1, 1, 24), 10, "\t位图文件大小bfSize:-2147483648 字节\r\n"},
        {"pixel data offset", FileHeader(1, 0x436), clr16, 33, "\t位图图像数据起始地址:0x00000436h\r\n"},
        {"file size below 2 GiB", FileHeader(1, 54), InfoHeader(1, 1, 24), 4, "\t文件大小:2147483647 字节\r\n", 0x7FFFFFFFull},
        {"file size of 2 GiB", FileHeader(1, 54), InfoHeader(1, 1, 24), 4, "\t文件大小:2147483648 字节\r\n", 0x80000000ull},
        {"file size of 4 GiB", FileHeader(1, 54), InfoHeader(1, 1, 24), 4, "\t文件大小:4294967296 字节\r\n", 0x100000000ull},
        {"compression 0", FileHeader(1, 54), InfoHeader(1, 1, 8, 0), 20, "\t位图压缩类型biCompression:0 ,BI_RGB\r\n"},
        {"compression 1", FileHeader(1, 54), InfoHeader(1, 1, 8, 1), 20, "\t位图压缩类型biCompression:1 ,BI_RLE8\r\n"},
        {"compression 2", FileHeader(1, 54), InfoHeader(1, 1, 8, 2), 20, "\t位图压缩类型biCompression:2 ,BI_RLE4\r\n"},
        {"compression 3", FileHeader(1, 54), InfoHeader(1, 1, 8, 3), 20, "\t位图压缩类型biCompression:3 ,BI_BITFIELDS\r\n"},
        {"compression past the names", FileHeader(1, 54), InfoHeader(1, 1, 8, 0xFFFFFFFF), 20, "\t位图压缩类型biCompression:-1 \r\n"},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BitmapReport r = ComposeReport("/a.bmp", Status(c.size), c.fh, c.ih);
        EXPECT_EQ(Utf8Line(r, c.line), c.expected);
    }
}

TEST(SplitPath, WindowsAndUnixPaths) {
    struct Case {
        const char* path;
        const char* drive;
        const char* dir;
        const char* base;
        const char* ext;
    };
    const Case cases[] = {
        {"C:\\pics\\a.bmp", "C:", "\\pics\\", "a", ".bmp"},
        {"/home/u/x.y/pic", "", "/home/u/x.y/", "pic", ""},
        {"/home/u/arch.tar.bmp", "", "/home/u/", "arch.tar", ".bmp"},
        {"rel.bmp", "", "", "rel", ".bmp"},
        {"/mixed\\sep/b.BMP", "", "/mixed\\sep/", "b", ".BMP"},
        {"/dir/.hidden", "", "/dir/", "", ".hidden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PathParts p = SplitPath(c.path);
        EXPECT_EQ(p.drive, c.drive);
        EXPECT_EQ(p.directory, c.dir);
        EXPECT_EQ(p.baseName, c.base);
        EXPECT_EQ(p.extension, c.ext);
    }
}

TEST(SplitPath, TrailBytesAreNeverSeparators) {
    // 淺 is 9C 5C in code page 936: its trail byte is a backslash.
    CString path = CString::FromUtf8("/图/淺.bmp");
    PathParts p = SplitPath(path);
    EXPECT_EQ(p.directory.ToUtf8(), "/图/");
    EXPECT_EQ(p.baseName.ToUtf8(), "淺");
    EXPECT_EQ(p.extension, ".bmp");
    BitmapReport r = ComposeReport(path, CFileStatus{}, BITMAPFILEHEADER{}, BITMAPINFOHEADER{});
    EXPECT_EQ(r.fileLabel.ToUtf8(), "淺.bmp ");
}

TEST_F(Report, StatusFromTheFileSystem) {
    TempDir dir;
    std::string path = dir.Write("a.bmp", std::vector<BYTE>(77, 0));
    timespec times[2] = {{1342429505, 0}, {1342429504, 0}}; // access, modification
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    CFileStatus s = ReportFileStatus(path.c_str());
    EXPECT_EQ(s.m_size, 77u);
    EXPECT_EQ(s.m_mtime.GetTime(), 1342429504);
    EXPECT_EQ(s.m_atime.GetTime(), 1342429505);
    EXPECT_NE(s.m_ctime.GetTime(), 0); // the birth time, or the modification time without one

    std::time_t before = std::time(nullptr);
    CFileStatus missing = ReportFileStatus(dir.Path("gone.bmp").c_str());
    EXPECT_EQ(missing.m_size, 0u);
    EXPECT_GE(missing.m_mtime.GetTime(), before);
    EXPECT_EQ(missing.m_ctime, missing.m_mtime);

    // A zero access time shows the modification time.
    times[0] = {0, 0};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(ReportFileStatus(path.c_str()).m_atime.GetTime(), 1342429504);
}
