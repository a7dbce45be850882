// Argument parsing shared by the subcommands.
#pragma once

#include <optional>
#include <string>

// A whole decimal integer in [low, high], or nothing.
std::optional<long long> ParseInteger(const std::string& text, long long low, long long high);

// Prints "pixscope-cli NAME: what" on stderr and returns the usage error status 2.
int UsageError(const char* command, const std::string& what);
