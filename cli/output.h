// What pixscope-cli writes: names shown safely on a terminal, and output that fails to
// reach its file reported instead of lost.
#pragma once

#include <cstdio>
#include <string>

// The name as it is, for a pipe or a file; on a terminal, with control characters
// escaped as ls quotes them (\e, \n, \xNN), so that a name cannot move the cursor or
// erase what was printed.
std::string ShownName(const std::string& name, std::FILE* stream);

// Flushes standard output, keeping the reason of a first failure for FinishOutput.
void FlushOutput();

// Flushes and closes standard output. When anything written to it was lost, says so on
// stderr ("write error: No space left on device") and returns failure; else status.
int FinishOutput(int status, int failure);
