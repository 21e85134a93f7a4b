#include "base/Faults.h"

#include <atomic>

namespace tokimori {

namespace {
std::atomic<FaultHook> g_hook{nullptr};
std::atomic<IoObserver> g_observer{nullptr};
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

void SetIoObserver(IoObserver observer) {
    g_observer.store(observer);
}

void NotifyIo(IoEvent::Kind kind, const std::string& path, uint64_t offset, std::string_view bytes,
              const FileTimes& times) {
    const IoObserver observer = g_observer.load(std::memory_order_relaxed);
    if (!observer) return;
    IoEvent e;
    e.kind = kind;
    e.path = &path;
    e.offset = offset;
    e.bytes = bytes;
    e.times = times;
    observer(e);
}

} // namespace tokimori
