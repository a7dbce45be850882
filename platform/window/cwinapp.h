// The application object: one global instance whose InitInstance the program's entry
// runs once the window system is up.
#pragma once

#include "platform/window/cwnd.h"

#include <string>
#include <vector>

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    HICON LoadIcon(UINT id) const;
    // Bytes kept between runs under section and entry (the user's config folder);
    // writing none removes the entry.
    static BOOL GetProfileBinary(LPCTSTR section, LPCTSTR entry, std::string& bytes);
    static BOOL WriteProfileBinary(LPCTSTR section, LPCTSTR entry, const std::string& bytes);
    // Nothing to do here: controls are drawn in the desktop's own style.
    void Enable3dControlsStatic() {}

    CWnd* m_pMainWnd = nullptr;
    CString m_pszAppName;
    // What followed the program's name on its command line, bytes as the system gave them.
    std::vector<std::string> m_arguments;
    // The file "--structure FILE" names, shown in the structure view alone; empty if none.
    std::string m_structureFile;
    // What ExitInstance returns.
    int m_exitCode = 0;

protected:
    // The help command: there is no help file, so it points to the usage dialog.
    void OnHelp();

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Nothing to do on this platform; the start-up keeps its place.
inline BOOL AfxEnableControlContainer() {
    return TRUE;
}

// The calculators "calc.exe" stands for, in the order they are looked for.
std::vector<std::string> DesktopCalculators();
// Launches program with the shell's "open" verb; > 32 on success.
HINSTANCE ShellExecute(HWND owner, LPCTSTR verb, LPCTSTR file, LPCTSTR parameters,
                       LPCTSTR directory, int show);
