// What pixscope-cli writes: names shown safely on a terminal, and output that fails to
// reach its file reported instead of lost.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The name as it is, for a pipe or a file; on a terminal, with control characters
// escaped as ls quotes them (\e, \n, \xNN), so that a name cannot move the cursor or
// erase what was printed.
std::string ShownName(const std::string& name, std::FILE* stream);

// The length of the UTF-8 sequence p begins (of the n bytes there are), or 0 where it is
// not one: overlong forms, surrogates and code points past U+10FFFF are not.
std::size_t Utf8Length(const unsigned char* p, std::size_t n);
// Text from a file's bytes as a line of UTF-8 output: bytes that are not UTF-8, and
// control characters, as \xNN.
std::string TextOf(const std::string& bytes);

// Flushes standard output, keeping the reason of a first failure for FinishOutput.
void FlushOutput();

// Flushes and closes standard output. When anything written to it was lost, says so on
// stderr ("write error: No space left on device") and returns failure; else status.
int FinishOutput(int status, int failure);
