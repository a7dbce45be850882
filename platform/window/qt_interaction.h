// The seam as the user meets it: Qt's message boxes, file and colour dialogs, the
// desktop's clipboard and detached programs.
#pragma once

#include "platform/interaction.h"

#include <memory>
#include <string>

class QProgressDialog;

namespace platform::window {

class QtInteraction : public InteractionSeam {
public:
    QtInteraction();
    ~QtInteraction() override;
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
    std::optional<std::string> ChooseFile(const FileRequest& request) override;
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    void SetClipboardText(const std::string& bytes) override;
    bool Launch(const std::string& program) override;
    void BeginProgress(const std::string& title, bool cancellable) override;
    bool Progress(double fraction) override;
    void EndProgress() override;

private:
    // Where the next file dialog starts: the folder last used, kept between runs.
    void KeepFolder(const std::string& folder);
    std::string m_lastFolder;
    std::unique_ptr<QProgressDialog> m_progress;
};

} // namespace platform::window
