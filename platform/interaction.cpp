#include "platform/interaction.h"

#include "platform/progress.h"

#include <cstdio>
#include <cstring>

namespace platform {
namespace {

StderrInteraction& DefaultSeam() {
    static StderrInteraction seam;
    return seam;
}

InteractionSeam*& Installed() {
    static InteractionSeam* seam = nullptr;
    return seam;
}

CString& Title() {
    static CString title("pixscope");
    return title;
}

} // namespace

int StderrInteraction::MessageBox(const CString& text, const CString& /*caption*/, UINT /*type*/) {
    std::string line = text.ToUtf8();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}

InteractionSeam* SetInteractionSeam(InteractionSeam* seam) {
    InteractionSeam* previous = Installed();
    Installed() = seam;
    return previous;
}

InteractionSeam& CurrentInteraction() {
    return Installed() != nullptr ? *Installed() : DefaultSeam();
}

void SetApplicationTitle(const CString& title) {
    Title() = title;
}

const CString& ApplicationTitle() {
    return Title();
}

CString TitleFromProgramPath(const char* path) {
    const char* base = std::strrchr(path, '/');
    base = base != nullptr ? base + 1 : path;
    const char* dot = std::strrchr(base, '.');
    size_t len =
        dot != nullptr && dot != base ? static_cast<size_t>(dot - base) : std::strlen(base);
    return CString::FromUtf8(std::string_view(base, len));
}

} // namespace platform

int AfxMessageBox(LPCTSTR text, UINT type, UINT /*helpId*/) {
    constexpr UINT kIconMask = 0xF0;
    if ((type & kIconMask) == 0)
        type |= MB_ICONEXCLAMATION;
    platform::ProgressScope::EndShown();
    return platform::CurrentInteraction().MessageBox(CString(text), platform::ApplicationTitle(),
                                                     type);
}
