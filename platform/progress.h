// Progress of long work (opening, converting and writing large pictures), shown by the
// seam while a scope is open; the work itself only says how far it has got.
#pragma once

#include <cstdint>

namespace platform {

// Thrown out of long work when the user stops it. It is not a framework exception, so
// the operations that report every framework exception as a failure let it through to
// the command, which ends quietly.
struct WorkCancelled {};

class ProgressScope {
public:
    ProgressScope(const char* utf8Title, bool cancellable);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    // done of total units of the innermost open scope; throws WorkCancelled when the
    // user asked to stop. Without an open scope it does nothing.
    static void Step(std::uint64_t done, std::uint64_t total);
    // Ends the box of the open scopes before a message is shown, so that no modal box
    // ever stands on top of another; the work goes on unshown, and can't be stopped.
    static void EndShown();

private:
    ProgressScope* m_outer;
    int m_lastPermille = -1;
    bool m_shown = true;
};

} // namespace platform
