// pixscope-cli report: each file's report as the report buffer would hold it.
#include "cli/commands.h"

#include "cli/open_bitmap.h"
#include "platform/codepage.h"
#include "report/bitmap_report.h"

#include <cstdio>

namespace {

void WriteOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace

int RunReportCommand(const std::vector<std::string>& args) {
    bool gbk = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--encoding=gbk" || a == "--encoding=GBK") {
            gbk = true;
        } else if (a == "--encoding=utf-8" || a == "--encoding=utf8" || a == "--encoding=UTF-8") {
            gbk = false;
        } else if (a.rfind("--", 0) == 0 && a != "--") {
            std::fprintf(stderr, "pixscope-cli report: unknown option %s (try --help)\n",
                         a.c_str());
            return 2;
        } else if (a != "--") {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "pixscope-cli report: no file given (try --help)\n");
        return 2;
    }
    int status = 0;
    for (const std::string& path : files) {
        CDib dib;
        if (OpenBitmapFile(path, dib) != OpenResult::Loaded) {
            status = 1;
            continue;
        }
        CString fullPath(platform::Utf8ToGb18030(AbsolutePath(path)));
        BitmapReport report =
            ComposeReport(fullPath, ReportFileStatus(path.c_str()), dib.m_fileHeader, *dib.m_pInfo);
        const CString text = ReportText(report);
        const std::string& bytes = text.Bytes();
        WriteOut(gbk ? bytes : platform::GbkToUtf8(bytes));
        std::fflush(stdout);
    }
    return status;
}
