#include "test_support.h"

#include <csignal>
#include <sys/resource.h>

void WithFileSizeLimit(unsigned long bytes, const std::function<void()>& fn) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    fn();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

int RecordingInteraction::MessageBox(const CString& text, const CString&, UINT type) {
    messages.push_back(text.ToUtf8());
    types.push_back(type);
    if (boxAnswers.empty())
        return IDOK;
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingInteraction::ChooseFile(const FileRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty())
        return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

void RecordingInteraction::BeginProgress(const std::string& title, bool) {
    progressTitles.push_back(title);
    current = title;
}

bool RecordingInteraction::Progress(double fraction) {
    lastProgress = fraction;
    ++progressCalls;
    return current != stopIn;
}

void RecordingInteraction::EndProgress() {
    current.clear();
}

std::optional<COLORREF> RecordingInteraction::ChooseColor(COLORREF initial) {
    colorRequests.push_back(initial);
    if (colorAnswers.empty())
        return std::nullopt;
    auto answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
}

void RecordingInteraction::SetClipboardText(const std::string&) {}

bool RecordingInteraction::Launch(const std::string& program) {
    launched.push_back(program);
    return true;
}
