#include "base/Faults.h"

#include <atomic>

namespace tokimori {

namespace {
std::atomic<FaultHook> g_hook{nullptr};
} // namespace

void SetFaultHook(FaultHook hook) {
    g_hook.store(hook);
}

Fault CheckFault(FaultSite site) {
    const FaultHook hook = g_hook.load(std::memory_order_relaxed);
    if (!hook) return {};
    const Fault f = hook(site);
    if (f.kind == Fault::Kind::Kill) KillSelf();
    return f;
}

} // namespace tokimori
