// The subcommands of pixscope-cli; each takes the arguments after its name and
// returns the exit status.
#pragma once

#include <string>
#include <vector>

int RunReportCommand(const std::vector<std::string>& args);
int RunPixelCommand(const std::vector<std::string>& args);
int RunSetPixelCommand(const std::vector<std::string>& args);
int RunSave16Command(const std::vector<std::string>& args);
int RunCheckCommand(const std::vector<std::string>& args);
int RunWhereCommand(const std::vector<std::string>& args);
int RunFieldsCommand(const std::vector<std::string>& args);
int RunDecodeCommand(const std::vector<std::string>& args);
int RunCompareCommand(const std::vector<std::string>& args);
int RunReadersCommand(const std::vector<std::string>& args);
