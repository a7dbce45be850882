#include "platform/clipboard.h"

#include "platform/interaction.h"
#include "platform/kernel.h"

#include <optional>
#include <string>

namespace {

struct ClipboardState {
    bool open = false;
    std::optional<std::string> pending;
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

} // namespace

BOOL OpenClipboard(HWND /*owner*/) {
    if (State().open)
        return FALSE;
    State().open = true;
    State().pending.reset();
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!State().open)
        return FALSE;
    State().pending = std::string();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    if (!State().open || format != CF_TEXT || data == nullptr)
        return nullptr;
    const std::size_t size = GlobalSize(data);
    const auto* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes == nullptr)
        return nullptr;
    State().pending = std::string(bytes, size);
    GlobalUnlock(data);
    // The system owns the block from here; our copy is what the desktop gets.
    GlobalFree(data);
    return data;
}

BOOL CloseClipboard() {
    if (!State().open)
        return FALSE;
    State().open = false;
    if (State().pending && !State().pending->empty())
        platform::CurrentInteraction().SetClipboardText(*State().pending);
    State().pending.reset();
    return TRUE;
}
