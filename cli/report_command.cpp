// pixscope-cli report: each file's report as the report buffer would hold it.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"

#include "cli/json.h"
#include "cli/open_bitmap.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "report/bitmap_report.h"

#include <cstdio>
#include <ctime>

namespace {

void WriteOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// ISO 8601 in local time with the offset, as 2026-12-07T04:58:27+08:00.
std::string Iso8601(const CTime& t) {
    const std::time_t raw = t.GetTime();
    std::tm local{};
    ::localtime_r(&raw, &local);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string s(buf);
    if (s.size() >= 5)
        s.insert(s.size() - 2, ":");
    return s;
}

void WriteJson(const std::string& path, const CFileStatus& status, const BITMAPFILEHEADER& fh,
               const BITMAPINFOHEADER& ih) {
    const int entries = ReportTableEntries(ih.biBitCount);
    std::string out = "{\"schema\": 1, \"path\": " + JsonString(path) +
                      ", \"size\": " + std::to_string(status.m_size) +
                      ", \"created\": " + JsonString(Iso8601(status.m_ctime)) +
                      ", \"modified\": " + JsonString(Iso8601(status.m_mtime)) +
                      ", \"accessed\": " + JsonString(Iso8601(status.m_atime));
    auto field = [&out](const char* name, long long v) {
        out += std::string(", \"") + name + "\": " + std::to_string(v);
    };
    field("bfType", fh.bfType);
    field("bfSize", fh.bfSize);
    field("bfReserved1", fh.bfReserved1);
    field("bfReserved2", fh.bfReserved2);
    field("bfOffBits", fh.bfOffBits);
    field("biSize", ih.biSize);
    field("biWidth", ih.biWidth);
    field("biHeight", ih.biHeight);
    field("biPlanes", ih.biPlanes);
    field("biBitCount", ih.biBitCount);
    field("biCompression", ih.biCompression);
    field("biSizeImage", ih.biSizeImage);
    field("biXPelsPerMeter", ih.biXPelsPerMeter);
    field("biYPelsPerMeter", ih.biYPelsPerMeter);
    field("biClrUsed", ih.biClrUsed);
    field("biClrImportant", ih.biClrImportant);
    field("linePixelBytes", ReportRowBytes(ih.biWidth, ih.biBitCount));
    field("colorTableEntries", entries);
    field("colorTableBytes", entries * 4);
    WriteOut(out + "}\n");
}

} // namespace

int RunReportCommand(const std::vector<std::string>& args) {
    bool gbk = false, json = false;
    const Arguments split = SplitArguments(args);
    const std::vector<std::string>& files = split.operands;
    for (const std::string& a : split.options) {
        if (a == "--json") {
            json = true;
        } else if (a == "--encoding=gbk" || a == "--encoding=GBK") {
            gbk = true;
        } else if (a == "--encoding=utf-8" || a == "--encoding=utf8" || a == "--encoding=UTF-8") {
            gbk = false;
        } else {
            std::fprintf(stderr, "pixscope-cli report: unknown option %s (try --help)\n",
                         a.c_str());
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "pixscope-cli report: no file given (try --help)\n");
        return 2;
    }
    int status = 0;
    for (const std::string& path : files) {
        CDib dib;
        OpenDetails details;
        details.headersOnly = true; // the report shows no pixel
        if (OpenBitmapFile(path, dib, &details) != OpenResult::Loaded) {
            status = 1;
            // Every file named gets its line, so that a script can pair them.
            if (json) {
                WriteOut("{\"schema\": 1, \"path\": " + JsonString(platform::AbsolutePath(path)) +
                         ", \"error\": " + JsonError(details.why) + "}\n");
                FlushOutput();
            }
            continue;
        }
        if (json) {
            WriteJson(platform::AbsolutePath(path), details.status, dib.m_fileHeader, *dib.m_pInfo);
            FlushOutput();
            continue;
        }
        CString fullPath(platform::Utf8ToGb18030(platform::AbsolutePath(path)));
        BitmapReport report =
            ComposeReport(fullPath, details.status, dib.m_fileHeader, *dib.m_pInfo);
        const CString text = ReportText(report);
        const std::string& bytes = text.Bytes();
        WriteOut(gbk ? bytes : platform::GbkToUtf8(bytes));
        FlushOutput();
    }
    return status;
}
