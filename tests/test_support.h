// Shared test fixtures: a seam that records message boxes instead of showing them.
#pragma once

#include "platform/interaction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class RecordingInteraction : public platform::InteractionSeam {
public:
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
    std::vector<std::string> messages; // UTF-8
    std::vector<UINT> types;
    std::vector<std::string> captions;
};

// Installs a recording seam for the test's lifetime.
class WithRecordedMessages : public ::testing::Test {
protected:
    void SetUp() override { m_previous = platform::SetInteractionSeam(&recorder); }
    void TearDown() override { platform::SetInteractionSeam(m_previous); }
    RecordingInteraction recorder;

private:
    platform::InteractionSeam* m_previous = nullptr;
};
