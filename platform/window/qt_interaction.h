// The seam as the user meets it: Qt's message boxes, file and colour dialogs, the
// desktop's clipboard and detached programs.
#pragma once

#include "platform/interaction.h"

namespace platform::window {

class QtInteraction : public InteractionSeam {
public:
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
    std::optional<std::string> ChooseFile(const FileRequest& request) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    void SetClipboardText(const std::string& bytes) override;
    bool Launch(const std::string& program) override;
};

} // namespace platform::window
