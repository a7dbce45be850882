#include "cli/open_bitmap.h"

#include "bmp/open_rule.h"
#include "cli/json.h"
#include "cli/output.h"
#include "inspect/check_bitmap.h"
#include "platform/file_kind.h"
#include "platform/interaction.h"

#include <cstdio>
#include <cstring>

namespace {

// CDib::Read reads the file header, then the header block, then the pixels: this file
// ends after the first two.
class CHeadersOnlyFile : public CFile {
public:
    UINT Read(void* buffer, UINT count) override {
        return m_reads++ < 2 ? CFile::Read(buffer, count) : 0;
    }

private:
    int m_reads = 0;
};

} // namespace

inspect::Finding CannotOpen(const std::string& path, int error) {
    inspect::Finding why;
    why.id = "cannot-open";
    const char* kind = platform::NonRegularKind(path);
    why.message = kind != nullptr ? kind : std::strerror(error);
    return why;
}

OpenResult OpenBitmapFile(const std::string& path, CDib& dib, OpenDetails* details) {
    OpenDetails scratch;
    OpenDetails& d = details != nullptr ? *details : scratch;
    CHeadersOnlyFile headersOnly;
    CFile whole;
    CFile& file = d.headersOnly ? headersOnly : whole;
    CFileException error;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite, &error)) {
        AfxMessageBox("Can't Read Files!!");
        d.why = CannotOpen(path, static_cast<int>(error.m_lOsError));
        ExplainFailure(path, d.why);
        return OpenResult::CannotOpen;
    }
    if (!dib.Read(&file)) {
        dib.Empty();
        AfxMessageBox("Read Error!!");
        file.Close();
        // The reader kept its reason: the open command's rule the file fails, or what
        // went wrong while it was read.
        const bmp::Refusal& refusal = dib.GetRefusal();
        d.why.id = refusal.id;
        d.why.offset = refusal.offset;
        d.why.message = refusal.message;
        ExplainFailure(path, d.why);
        return OpenResult::NotABitmap;
    }
    if (!file.GetStatus(d.status)) {
        d.status = CFileStatus{};
        d.status.m_ctime = d.status.m_mtime = d.status.m_atime = CTime::GetCurrentTime();
    }
    return OpenResult::Loaded;
}

inspect::Finding RefusalReason(std::span<const std::uint8_t> bytes) {
    inspect::Finding why;
    // The open command's own rule first; a file it would read failed for another
    // reason, which the checker's first error names.
    if (const auto refusal = bmp::OpenCommandRefusal(bmp::ParseFile(bytes))) {
        why.id = refusal->id;
        why.offset = refusal->offset;
        why.message = refusal->message;
        return why;
    }
    for (const inspect::Finding& f : inspect::CheckBitmap(bytes)) {
        if (f.severity == inspect::Severity::Error)
            return f;
    }
    why.id = "not-loadable";
    why.message = "Pixscope 的打开命令不读取这个文件";
    return why;
}

void ExplainFailure(const std::string& path, const inspect::Finding& why) {
    const std::string name = ShownName(path, stderr);
    if (why.id == "cannot-open")
        std::fprintf(stderr, "pixscope-cli: %s: %s\n", name.c_str(), why.message.c_str());
    else
        std::fprintf(stderr,
                     "pixscope-cli: %s: %s (\"pixscope-cli check %s\" lists every finding)\n",
                     name.c_str(), why.message.c_str(), name.c_str());
}

std::string JsonError(const inspect::Finding& why) {
    return "{\"id\": " + JsonString(why.id) + ", \"offset\": " + std::to_string(why.offset) +
           ", \"message\": " + JsonString(why.message) + "}";
}
