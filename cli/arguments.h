// Argument parsing shared by the subcommands.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A command's words: its options come before its first operand, and "--" ends them,
// so that a file named "-h" or "--json" can be named after it.
struct Arguments {
    std::vector<std::string> options;
    std::vector<std::string> operands;
};
Arguments SplitArguments(const std::vector<std::string>& args);
// Whether the options ask for help.
bool AsksForHelp(const std::vector<std::string>& args);

// "--image=N" ("--image N" is joined so): the image of a bitmap array, 0 the first.
std::optional<std::size_t> ImageOption(const std::string& option);

// A whole decimal integer in [low, high], or nothing.
std::optional<long long> ParseInteger(const std::string& text, long long low, long long high);

// The arguments [--json] FILE X Y of the commands that look at one pixel.
struct PixelArguments {
    std::string file;
    int x = 0, y = 0;
    bool json = false;
    std::size_t image = 0;
};
// Nothing after a usage error has been printed.
std::optional<PixelArguments> ParsePixelArguments(const char* command,
                                                  const std::vector<std::string>& args);

// Prints "pixscope-cli NAME: what" on stderr and returns the usage error status 2.
int UsageError(const char* command, const std::string& what);
