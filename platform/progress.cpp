#include "platform/progress.h"

#include "platform/interaction.h"

namespace platform {
namespace {

ProgressScope*& Innermost() {
    static ProgressScope* scope = nullptr;
    return scope;
}

} // namespace

ProgressScope::ProgressScope(const char* utf8Title, bool cancellable) : m_outer(Innermost()) {
    // Only the outermost scope is shown; inner ones report into it.
    if (m_outer == nullptr)
        CurrentInteraction().BeginProgress(utf8Title, cancellable);
    Innermost() = this;
}

ProgressScope::~ProgressScope() {
    Innermost() = m_outer;
    if (m_outer == nullptr && m_shown)
        CurrentInteraction().EndProgress();
}

void ProgressScope::EndShown() {
    ProgressScope* scope = Innermost();
    if (scope == nullptr)
        return;
    while (scope->m_outer != nullptr)
        scope = scope->m_outer;
    if (scope->m_shown)
        CurrentInteraction().EndProgress();
    scope->m_shown = false;
}

void ProgressScope::Step(std::uint64_t done, std::uint64_t total) {
    ProgressScope* scope = Innermost();
    if (scope == nullptr || total == 0)
        return;
    while (scope->m_outer != nullptr)
        scope = scope->m_outer;
    if (!scope->m_shown)
        return;
    // The seam hears of each thousandth once: the work's loops may step far more often.
    const int permille = static_cast<int>(done >= total ? 1000 : done * 1000 / total);
    if (permille == scope->m_lastPermille)
        return;
    scope->m_lastPermille = permille;
    if (!CurrentInteraction().Progress(permille / 1000.0))
        throw WorkCancelled{};
}

} // namespace platform
