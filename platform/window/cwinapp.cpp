#include "platform/window/cwinapp.h"

#include "platform/interaction.h"
#include "platform/resources.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CWinApp*& TheApp() {
    static CWinApp* app = nullptr;
    return app;
}

// The first calculator of the desktops' usual ones found on the search path.
std::string FindCalculator() {
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return {};
    for (const std::string& name : DesktopCalculators()) {
        std::string dirs(path);
        size_t start = 0;
        while (start <= dirs.size()) {
            size_t end = dirs.find(':', start);
            if (end == std::string::npos)
                end = dirs.size();
            // An empty entry names the working directory.
            const std::string dir =
                end > start ? dirs.substr(start, end - start) : std::string(1, '.');
            const std::string candidate = dir + "/" + name;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            start = end + 1;
        }
    }
    return {};
}

} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR appName) : m_pszAppName(appName != nullptr ? appName : "") {
    TheApp() = this;
}

CWinApp::~CWinApp() {
    if (TheApp() == this)
        TheApp() = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return m_exitCode;
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(id));
}

void CWinApp::OnHelp() {
    AfxMessageBox(CString::FromUtf8("没有帮助文件。使用方法请见菜单“帮助”→“使用说明”。"));
}

CWinApp* AfxGetApp() {
    return TheApp();
}

CWnd* AfxGetMainWnd() {
    return TheApp() != nullptr ? TheApp()->m_pMainWnd : nullptr;
}

std::vector<std::string> DesktopCalculators() {
    return {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "mate-calc", "xcalc"};
}

HINSTANCE ShellExecute(HWND /*owner*/, LPCTSTR verb, LPCTSTR file, LPCTSTR /*parameters*/,
                       LPCTSTR /*directory*/, int /*show*/) {
    constexpr std::intptr_t kFileNotFound = 2;
    constexpr std::intptr_t kNoAssociation = 31;
    constexpr std::intptr_t kStarted = 42;
    if (verb == nullptr || std::string_view(verb) != "open" || file == nullptr)
        return reinterpret_cast<HINSTANCE>(kNoAssociation);
    // The Windows calculator's name stands for the desktop's calculator.
    const std::string program =
        std::string_view(file) == "calc.exe" ? FindCalculator() : std::string(file);
    if (program.empty())
        return reinterpret_cast<HINSTANCE>(kFileNotFound);
    return reinterpret_cast<HINSTANCE>(
        platform::CurrentInteraction().Launch(program) ? kStarted : kFileNotFound);
}
