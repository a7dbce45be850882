#include "app/recent_list.h"

#include "platform/window/cwinapp.h"

#include <algorithm>

std::vector<std::string> ReadRecentList(const char* section) {
    std::vector<std::string> files;
    for (unsigned i = 1; i <= kRecentCount; ++i) {
        std::string path;
        const std::string entry = "File" + std::to_string(i);
        if (CWinApp::GetProfileBinary(section, entry.c_str(), path) && !path.empty())
            files.push_back(path);
    }
    return files;
}

void WriteRecentList(const char* section, const std::vector<std::string>& files) {
    for (unsigned i = 1; i <= kRecentCount; ++i) {
        const std::string entry = "File" + std::to_string(i);
        CWinApp::WriteProfileBinary(section, entry.c_str(), i <= files.size() ? files[i - 1] : "");
    }
}

void PutFirstInRecentList(const char* section, const std::string& nativePath) {
    std::vector<std::string> files = ReadRecentList(section);
    files.erase(std::remove(files.begin(), files.end(), nativePath), files.end());
    files.insert(files.begin(), nativePath);
    if (files.size() > kRecentCount)
        files.resize(kRecentCount);
    WriteRecentList(section, files);
}
