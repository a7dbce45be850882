// A file that replaces its target only when complete.
//
// Everything is written to a temporary file beside the target; Commit flushes it and
// renames it over the target in one step. Until then, and whenever anything fails,
// the target keeps what it had, and the temporary file is removed.
#pragma once

#include "platform/cfile.h"

#include <string>

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
    std::string m_target;
    std::string m_temp;
};
