#include "cli/write_bitmap.h"

#include "cli/output.h"
#include "platform/file_kind.h"
#include "platform/interaction.h"
#include "platform/replacing_file.h"

#include <cstdio>
#include <cstring>

bool WriteBitmapFile(CDib& dib, const std::string& path) {
    CReplacingFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive,
                   &error)) {
        const char* kind = platform::NonRegularKind(path);
        std::fprintf(stderr, "pixscope-cli: cannot create %s: %s\n",
                     ShownName(path, stderr).c_str(),
                     kind != nullptr ? kind : std::strerror(error.m_lOsError));
        return false;
    }
    // Write shows its own "write error"; a failed rename is reported the same way. Then
    // a line says which file kept its bytes.
    bool written = dib.Write(&file) != FALSE;
    if (written && !file.Commit()) {
        AfxMessageBox("write error");
        written = false;
    }
    if (!written)
        std::fprintf(stderr, "pixscope-cli: %s: not written; it keeps what it had\n",
                     ShownName(path, stderr).c_str());
    return written;
}

bool WriteWholeFile(const char* command, const std::string& path,
                    const std::vector<std::uint8_t>& bytes) {
    CReplacingFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite, &error)) {
        const char* kind = platform::NonRegularKind(path);
        std::fprintf(stderr, "pixscope-cli %s: cannot create %s: %s\n", command,
                     ShownName(path, stderr).c_str(),
                     kind != nullptr ? kind : std::strerror(error.m_lOsError));
        return false;
    }
    try {
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    } catch (CFileException* e) {
        e->Delete();
        file.Abort();
        std::fprintf(stderr, "pixscope-cli %s: %s: write error; not written\n", command,
                     ShownName(path, stderr).c_str());
        return false;
    }
    if (!file.Commit()) {
        std::fprintf(stderr, "pixscope-cli %s: %s: not written; it keeps what it had\n", command,
                     ShownName(path, stderr).c_str());
        return false;
    }
    return true;
}
