#pragma once

#include <string>
#include <vector>

// pixscope-cli report [--encoding=utf-8|gbk] FILE...; returns the exit status.
int RunReportCommand(const std::vector<std::string>& args);
