// The one seam through which the program talks to the user outside its own window:
// message boxes now, and the modal dialogs, clipboard and program launching as they
// arrive. The window program installs a seam that shows real dialogs, pixscope-cli one
// that writes to stderr, and tests one that records and answers.
#pragma once

#include "platform/cstring.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

class InteractionSeam {
public:
    virtual ~InteractionSeam() = default;
    // Returns the id of the button that closed the box.
    virtual int MessageBox(const CString& text, const CString& caption, UINT type) = 0;

    // A file chosen in an open or save dialog; nothing when the user cancels. Texts
    // are UTF-8; the chosen path is as the file system names it (UTF-8 where it can be).
    struct FileFilter {
        std::string name;                  // as the program shows it
        std::vector<std::string> patterns; // "*.bmp", ...
    };
    struct FileRequest {
        bool open = true;
        std::string initialName;
        std::string defaultExt;
        std::vector<FileFilter> filters;
        DWORD flags = 0; // the OFN_ flags
    };
    virtual std::optional<std::string> ChooseFile(const FileRequest&) { return std::nullopt; }
    // A colour chosen in the colour dialog; nothing when the user cancels.
    virtual std::optional<COLORREF> ChooseColor(COLORREF /*initial*/) { return std::nullopt; }
    // Puts a text block (code page 936 bytes) on the desktop's clipboard.
    virtual void SetClipboardText(const std::string& /*bytes*/) {}
    // Starts a program detached from this one; false when it could not be started.
    virtual bool Launch(const std::string& /*program*/) { return false; }
    // Long work: its title (UTF-8) and whether the user may stop it, how far it has got
    // (0 to 1), its end. Progress is false once the user has asked to stop.
    virtual void BeginProgress(const std::string& /*title*/, bool /*cancellable*/) {}
    virtual bool Progress(double /*fraction*/) { return true; }
    virtual void EndProgress() {}
};

// Writes each message as one UTF-8 line on stderr and answers IDOK.
class StderrInteraction : public InteractionSeam {
public:
    int MessageBox(const CString& text, const CString& caption, UINT type) override;
};

// Installs a seam (null restores stderr) and returns the one it replaces.
InteractionSeam* SetInteractionSeam(InteractionSeam* seam);
InteractionSeam& CurrentInteraction();

// The application title: the executable's file name without extension.
void SetApplicationTitle(const CString& title);
const CString& ApplicationTitle();
// Derives the title from a program path such as argv[0].
CString TitleFromProgramPath(const char* path);

} // namespace platform

// Shows text in a message box captioned with the application title; the exclamation
// icon is added when the type names no icon.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
