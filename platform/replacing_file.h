// A file that replaces its target only when complete.
//
// Everything is written to a temporary file first; Commit makes it the target in one
// step. Until then, and whenever anything fails, the target keeps what it had, and
// the temporary file is removed.
//
// The target is what a careful desktop program would replace: a symbolic link is
// followed (the file it names is replaced, the link stays), anything but a regular
// file (a device, a FIFO) is refused, for root too, and a file the user may
// not write, or that is marked read-only, is refused as one that cannot be opened,
// for every user, as the read-only attribute is refused on the platform we follow.
// Where a rename would lose something the file has (other hard links, an owner or
// group the user cannot give a new file), Commit copies the content into the
// existing file instead, after reserving every block it will write.
#pragma once

#include "platform/cfile.h"

#include <string>

namespace platform {
// SIGINT, SIGTERM and SIGHUP remove the temporary files of saves in progress before the
// program ends as the signal ends it, so that an interrupted save leaves nothing behind.
void RemoveTemporaryFilesOnSignals();
} // namespace platform

class CReplacingFile : public CFile {
public:
    CReplacingFile() = default;
    ~CReplacingFile() override;

    // Only the target's path is taken from the flags' meaning: the file is always new,
    // empty, and open for reading and writing.
    BOOL Open(LPCTSTR path, UINT flags, CFileException* error = nullptr) override;
    // Makes the written file the target; FALSE (target untouched) when that fails.
    BOOL Commit();
    // Throws the written file away.
    void Abort();

private:
    BOOL CommitInPlace();
    BOOL CopyInPlace();

    std::string m_target; // symbolic links followed
    std::string m_temp;   // empty when the staging file has no name
    bool m_inPlace = false;
};
