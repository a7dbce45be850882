// Shared test fixtures: a seam that records message boxes instead of showing them.
#pragma once

#include "platform/interaction.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class RecordingInteraction : public platform::InteractionSeam {
public:
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
    std::optional<std::string> ChooseFile(const FileRequest& request) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    void SetClipboardText(const std::string& bytes) override;
    bool Launch(const std::string& program) override;
    void BeginProgress(const std::string& title, bool cancellable) override;
    bool Progress(double fraction) override;
    void EndProgress() override;

    std::vector<std::string> messages; // UTF-8
    std::vector<UINT> types;
    // Answers for the dialogs, taken in order; an empty queue cancels.
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<COLORREF>> colorAnswers;
    std::deque<int> boxAnswers; // IDYES, IDNO…; IDOK when empty
    std::vector<FileRequest> fileRequests;
    std::vector<COLORREF> colorRequests;
    std::vector<std::string> launched;
    std::vector<std::string> progressTitles; // each long work's title, as it began
    double lastProgress = -1;
    int progressCalls = 0;
    std::string current;
    std::string stopIn; // the user stops the work of this title at its first step
};

// Runs fn while files may grow to `bytes` only, as on a full disk.
void WithFileSizeLimit(unsigned long bytes, const std::function<void()>& fn);

// Installs a recording seam for the test's lifetime.
class WithRecordedMessages : public ::testing::Test {
protected:
    void SetUp() override { m_previous = platform::SetInteractionSeam(&recorder); }
    void TearDown() override { platform::SetInteractionSeam(m_previous); }
    RecordingInteraction recorder;

private:
    platform::InteractionSeam* m_previous = nullptr;
};
