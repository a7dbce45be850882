// Composition of the 33-line report of one bitmap file.
//
// The literals are written here in UTF-8 and converted once to code page 936, the
// report's encoding; printf formats survive that, since no trail byte of a two-byte
// character is ever '%'. Numbers are printed as the format's fields are typed: 16-bit
// fields zero-extended, 32-bit fields as signed numbers.
#include "report/bitmap_report.h"

#include "bmp/pixel_format.h"

#include "platform/codepage.h"

#include <cstdint>

namespace {

CString Gbk(const char* utf8) {
    return CString::FromUtf8(utf8);
}

struct Texts {
    CString crlf = "\r\n";
    CString tab = "\t";
    CString fileAttributes = Gbk("   文件基本信息FILEATTRIBUTE\r\n");
    CString fullPath = Gbk("文件全路径:");
    CString fileSize = Gbk("文件大小:%d 字节");
    CString fileSizeLarge = Gbk("文件大小:%llu 字节"); // 2 GiB and more: no 32 bits hold it
    CString created = Gbk("创建时间:%Y年%m月%d日%H:%M:%S");
    CString modified = Gbk("修改时间:%Y年%m月%d日%H:%M:%S");
    CString accessed = Gbk("访问时间:%Y年%m月%d日%H:%M:%S");
    CString fileHeader = Gbk("   位图文件头BITMAPFILEHEADER 共14字节\r\n");
    CString bfType = Gbk("\t位图文件类型bfType:0x%x\r\n");
    CString bfSize = Gbk("\t位图文件大小bfSize:%d 字节\r\n");
    CString bfReserved1 = Gbk("\tWindows保留字bfReserve1:%d\r\n");
    CString bfReserved2 = Gbk("\tWindows保留字bfReserve2:%d\r\n");
    CString bfOffBits = Gbk("\t数据离起始偏移量bfOffBits:%d 位\r\n");
    CString infoHeader = Gbk("   位图信息头BITMAPINFOHEADER 共40字节\r\n");
    CString biSize = Gbk("\t位图信息头大小biSize:%d 字节\r\n");
    CString biWidth = Gbk("\t位图宽度bfWidth:%d 像素\r\n");
    CString biHeight = Gbk("\t位图高度bfHeight:%d 像素\r\n");
    CString biPlanes = Gbk("\t目标设备级别biPlane:%d\r\n");
    CString biBitCount = Gbk("\t每个像素比特数(位深度)biBitCount:%d 位\r\n");
    // Named after the number for the compressions the 40-byte header was first defined
    // with, bare for any other.
    CString compressionNamed = Gbk("\t位图压缩类型biCompression:%d ,");
    CString compressionBare = Gbk("\t位图压缩类型biCompression:%d \r\n");
    CString biSizeImage = Gbk("\t位图数据实际字节数bfSizeImage:%ld\r\n");
    CString biXPels = Gbk("\t目标设备水平分辨率(像素/米)biXPelsPerMeter:%d \r\n");
    CString biYPels = Gbk("\t目标设备垂直分辨率(像素/米)biYPelsPerMeter:%d \r\n");
    CString biClrUsed = Gbk("\t位图实际使用颜色数biClrUsed:%d\r\n");
    CString biClrImportant = Gbk("\t显示时重要颜色数biClrImportant:%d\r\n");
    CString reference = Gbk("   位图其他参考信息:\r\n");
    CString rowBytes = Gbk("\t位图文件图像数据行字节数LinePixelBytes:%ld\r\n");
    CString tableEntries = Gbk("\t位图颜色表/调色板颜色数目:%d\r\n");
    CString tableBytes = Gbk("\t位图颜色表/调色板大小:%d 字节\r\n");
    CString fileHeaderAt = Gbk("\t位图文件头起始地址:0x%8.8xh\r\n");
    CString infoHeaderAt = Gbk("\t位图信息头起始地址:0x%8.8xh\r\n");
    CString tableAt = Gbk("\t位图颜色表/调色板起始地址:0x%8.8xh\r\n");
    CString bitsAt = Gbk("\t位图图像数据起始地址:0x%8.8xh\r\n");
};

const Texts& T() {
    static const Texts texts;
    return texts;
}

// The 32-bit fields print signed, as the format's "%d" shows them.
int Signed(DWORD v) {
    return static_cast<int>(v);
}

// Row bytes in signed 32-bit arithmetic, wrapping as 32-bit code would instead of
// overflowing: (width * bits + 31) / 32 * 4 with truncating division.
std::int32_t RowBytes(LONG width, WORD bitCount) {
    auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(width) * bitCount);
    auto rounded = static_cast<std::int32_t>(static_cast<std::uint32_t>(product) + 31u);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rounded / 32) * 4u);
}

int TableEntriesFromBitCount(WORD bitCount) {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

class Composer {
public:
    explicit Composer(BitmapReport& r) : m_report(r) {}

    void Plain(const CString& text) { m_report.lines.push_back({text, TreePlace::None, {}, 0}); }
    void Group(const CString& text, int image) {
        m_report.lines.push_back({text, TreePlace::Group, text, image});
    }
    void Line(const CString& text, const CString& treeText) {
        m_report.lines.push_back({text, TreePlace::Item, treeText, 0});
    }
    // An item whose tree text lacks the line's tab and line end.
    void Attribute(const CString& treeText) { Line(T().tab + treeText + T().crlf, treeText); }
    // The formats below are the fixed literals above, each with one conversion of the
    // type its name says.
    void Field(const CString& format, int value) {
        CString s;
        s.Format(format, value);
        Line(s, s);
    }
    void LongField(const CString& format, long value) {
        CString s;
        s.Format(format, value);
        Line(s, s);
    }
    void Hex(const CString& format, unsigned value) {
        CString s;
        s.Format(format, value);
        Line(s, s);
    }

private:
    BitmapReport& m_report;
};

} // namespace

PathParts SplitPath(const CString& fullPath) {
    const std::string& p = fullPath.Bytes();
    size_t start = 0;
    PathParts parts;
    if (p.size() >= 2 && p[1] == ':' &&
        !platform::IsLeadByte936(static_cast<unsigned char>(p[0]))) {
        parts.drive = CString(p.substr(0, 2));
        start = 2;
    }
    size_t dirEnd = start; // one past the last separator
    size_t lastDot = std::string::npos;
    for (size_t i = start; i < p.size(); ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        if (platform::IsLeadByte936(c) && i + 1 < p.size()) {
            ++i; // the trail byte is never a separator or a dot
            continue;
        }
        if (c == '\\' || c == '/') {
            dirEnd = i + 1;
            lastDot = std::string::npos;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    size_t extStart = lastDot != std::string::npos ? lastDot : p.size();
    parts.directory = CString(p.substr(start, dirEnd - start));
    parts.baseName = CString(p.substr(dirEnd, extStart - dirEnd));
    parts.extension = CString(p.substr(extStart));
    return parts;
}

BitmapReport ComposeReport(const CString& fullPath, const CFileStatus& status,
                           const BITMAPFILEHEADER& fh, const BITMAPINFOHEADER& ih) {
    const Texts& t = T();
    PathParts parts = SplitPath(fullPath);
    CString joined = parts.drive + parts.directory + parts.baseName + parts.extension;

    BitmapReport report;
    report.fileLabel.Format("%s ", static_cast<LPCTSTR>(parts.baseName + parts.extension));
    report.lines.reserve(33);
    Composer c(report);

    c.Plain(joined + t.crlf);
    c.Group(t.fileAttributes, 1);
    CString pathItem = t.fullPath + joined + t.crlf; // the tree keeps this line's CR LF
    c.Line(t.tab + pathItem, pathItem);
    CString size;
    // The low 32 bits, signed, as the line has always printed them, up to where they
    // would wrap into a wrong figure; past it the file's true size.
    if (status.m_size < (ULONGLONG{1} << 31))
        size.Format(t.fileSize, static_cast<int>(status.m_size));
    else
        size.Format(t.fileSizeLarge, static_cast<unsigned long long>(status.m_size));
    c.Attribute(size);
    c.Attribute(status.m_ctime.Format(t.created));
    c.Attribute(status.m_mtime.Format(t.modified));
    c.Attribute(status.m_atime.Format(t.accessed));

    c.Group(t.fileHeader, 2);
    c.Field(t.bfType, fh.bfType);
    c.Field(t.bfSize, Signed(fh.bfSize));
    c.Field(t.bfReserved1, fh.bfReserved1);
    c.Field(t.bfReserved2, fh.bfReserved2);
    c.Field(t.bfOffBits, Signed(fh.bfOffBits));

    c.Group(t.infoHeader, 3);
    c.Field(t.biSize, Signed(ih.biSize));
    c.Field(t.biWidth, ih.biWidth);
    c.Field(t.biHeight, ih.biHeight);
    c.Field(t.biPlanes, ih.biPlanes);
    c.Field(t.biBitCount, ih.biBitCount);
    const char* compression = bmp::ClassicCompressionName(ih.biCompression);
    c.Field(compression != nullptr ? t.compressionNamed + compression + t.crlf : t.compressionBare,
            Signed(ih.biCompression));
    c.LongField(t.biSizeImage, Signed(ih.biSizeImage));
    c.Field(t.biXPels, ih.biXPelsPerMeter);
    c.Field(t.biYPels, ih.biYPelsPerMeter);
    c.Field(t.biClrUsed, Signed(ih.biClrUsed));
    c.Field(t.biClrImportant, Signed(ih.biClrImportant));

    int entries = TableEntriesFromBitCount(ih.biBitCount);
    c.Group(t.reference, 4);
    c.LongField(t.rowBytes, RowBytes(ih.biWidth, ih.biBitCount));
    c.Field(t.tableEntries, entries);
    c.Field(t.tableBytes, entries * 4);
    c.Hex(t.fileHeaderAt, 0);
    c.Hex(t.infoHeaderAt, sizeof(BITMAPFILEHEADER));
    c.Hex(t.tableAt, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
    c.Hex(t.bitsAt, fh.bfOffBits);
    return report;
}

std::int32_t ReportRowBytes(LONG width, WORD bitCount) {
    return RowBytes(width, bitCount);
}

int ReportTableEntries(WORD bitCount) {
    return TableEntriesFromBitCount(bitCount);
}

namespace {

CFileStatus NowIfFailed(BOOL ok, CFileStatus status) {
    if (!ok) {
        status = CFileStatus{};
        CTime now = CTime::GetCurrentTime();
        status.m_ctime = status.m_mtime = status.m_atime = now;
    }
    return status;
}

} // namespace

CFileStatus ReportFileStatus(LPCTSTR osPath) {
    CFileStatus status;
    const BOOL ok = CFile::GetStatus(osPath, status);
    return NowIfFailed(ok, status);
}

CFileStatus ReportFileStatus(const CFile& file) {
    CFileStatus status;
    const BOOL ok = file.GetStatus(status);
    return NowIfFailed(ok, status);
}

CString ReportText(const BitmapReport& report) {
    CString text;
    for (const ReportLine& line : report.lines)
        text += line.text;
    return text;
}
