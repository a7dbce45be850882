// A list of files opened lately, newest first, kept in the user's config folder under a
// section of its own: the main window's and the structure view's.
#pragma once

#include <string>
#include <vector>

inline constexpr unsigned kRecentCount = 8;

std::vector<std::string> ReadRecentList(const char* section);
void WriteRecentList(const char* section, const std::vector<std::string>& files);
// The path put first, once, the oldest dropped past kRecentCount.
void PutFirstInRecentList(const char* section, const std::string& nativePath);
