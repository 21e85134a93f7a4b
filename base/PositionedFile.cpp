#include "base/PositionedFile.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tokimori {

Result<int64_t> PositionedFile::modifiedUnix() const {
    auto t = times();
    if (!t) return t.error();
    return t->modified.seconds;
}

Status PositionedFile::lockExclusive(int waitMilliseconds) {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        auto taken = tryLockExclusive();
        if (!taken) return taken.error();
        if (taken.value()) return {};
        if (std::chrono::steady_clock::now() >= until)
            return MakeError(err::PermissionDenied, "in use by another program: " + path_);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

} // namespace tokimori
