// Loading a file the way the open command does, for the subcommands.
#pragma once

#include "dib/dib.h"
#include "inspect/findings.h"

#include <cstdint>
#include <span>
#include <string>

enum class OpenResult { Loaded, CannotOpen, NotABitmap };

struct OpenDetails {
    // Read the headers and leave the pixels unread (zero), for commands that need only
    // the headers: whether the file loads does not depend on its pixel bytes.
    bool headersOnly = false;
    // The size and times of the file that was read, from its open descriptor.
    CFileStatus status;
    // Why it did not load.
    inspect::Finding why;
};

// Opens the file for reading and reads it into dib. The messages the window program
// would show ("Can't Read Files!!", "Read error", "Read Error!!") go to the user, and
// after them one line that names the file and says why it failed.
OpenResult OpenBitmapFile(const std::string& path, CDib& dib, OpenDetails* details = nullptr);

// Why the open command refuses a file's bytes: its rule's reason, else the checker's
// first error, or, when the checker finds none, that the reader does not take it.
inspect::Finding RefusalReason(std::span<const std::uint8_t> bytes);
// "pixscope-cli: PATH: REASON (…check PATH…)" on stderr.
void ExplainFailure(const std::string& path, const inspect::Finding& why);
// {"id", "offset", "message"} of a reason, for the JSON outputs.
std::string JsonError(const inspect::Finding& why);
// Why a file could not be opened: its kind when it is not a regular file, else the
// system's word for the error.
inspect::Finding CannotOpen(const std::string& path, int error);
