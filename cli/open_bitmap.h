// Loading a file the way the open command does, for the subcommands.
#pragma once

#include "dib/dib.h"
#include "inspect/findings.h"

#include <string>

enum class OpenResult { Loaded, CannotOpen, NotABitmap };

// Opens the file for reading and reads it into dib. The messages the window program
// would show ("Can't Read Files!!", "Read error", "Read Error!!") go to the user, and
// after them one line that names the file and says why it failed. When why is given it
// receives the reason for a file that did not load.
OpenResult OpenBitmapFile(const std::string& path, CDib& dib, inspect::Finding* why = nullptr);

// Why the open command refuses the file at path: the checker's first error, or, when the
// checker finds none, that the reader does not take it.
inspect::Finding RefusalReason(const std::string& path);
// "pixscope-cli: PATH: REASON (…check PATH…)" on stderr.
void ExplainFailure(const std::string& path, const inspect::Finding& why);
// {"id", "offset", "message"} of a reason, for the JSON outputs.
std::string JsonError(const inspect::Finding& why);
