#include "cli/open_bitmap.h"

#include "cli/json.h"
#include "inspect/check_bitmap.h"
#include "platform/interaction.h"
#include "platform/mapped_file.h"

#include <cstdio>
#include <cstring>

OpenResult OpenBitmapFile(const std::string& path, CDib& dib, inspect::Finding* why) {
    CFile file;
    CFileException error;
    inspect::Finding reason;
    OpenResult result = OpenResult::Loaded;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite, &error)) {
        AfxMessageBox("Can't Read Files!!");
        reason.id = "cannot-open";
        reason.message = std::strerror(static_cast<int>(error.m_lOsError));
        result = OpenResult::CannotOpen;
    } else if (!dib.Read(&file)) {
        dib.Empty();
        AfxMessageBox("Read Error!!");
        file.Close();
        reason = RefusalReason(path);
        result = OpenResult::NotABitmap;
    }
    if (result != OpenResult::Loaded) {
        ExplainFailure(path, reason);
        if (why != nullptr)
            *why = reason;
    }
    return result;
}

inspect::Finding RefusalReason(const std::string& path) {
    platform::MappedFile file(path);
    for (const inspect::Finding& f : inspect::CheckBitmap(file.Bytes())) {
        if (f.severity == inspect::Severity::Error)
            return f;
    }
    inspect::Finding none;
    none.id = "not-loadable";
    none.message = "Pixscope 的打开命令不读取这个文件";
    return none;
}

void ExplainFailure(const std::string& path, const inspect::Finding& why) {
    if (why.id == "cannot-open")
        std::fprintf(stderr, "pixscope-cli: %s: cannot open: %s\n", path.c_str(),
                     why.message.c_str());
    else
        std::fprintf(stderr,
                     "pixscope-cli: %s: %s (\"pixscope-cli check %s\" lists every finding)\n",
                     path.c_str(), why.message.c_str(), path.c_str());
}

std::string JsonError(const inspect::Finding& why) {
    return "{\"id\": " + JsonString(why.id) + ", \"offset\": " + std::to_string(why.offset) +
           ", \"message\": " + JsonString(why.message) + "}";
}
