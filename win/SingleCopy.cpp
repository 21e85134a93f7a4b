#include "win/SingleCopy.h"

namespace tokimori {

SingleCopy::SingleCopy(const wchar_t* windowClass) : windowClass_(windowClass) {}

SingleCopy::~SingleCopy() {
    if (mutex_) CloseHandle(mutex_);
}

bool SingleCopy::acquire() {
    // "Local\": one copy per session (each user of a shared machine has their own).
    mutex_ = CreateMutexW(nullptr, TRUE, L"Local\\Tokimori-FrmMain");
    held_ = mutex_ && GetLastError() != ERROR_ALREADY_EXISTS;
    return held_;
}

void SingleCopy::bringRunningCopyForward() const {
    HWND other = FindWindowW(windowClass_, nullptr);
    if (!other) return;
    if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
}

} // namespace tokimori
