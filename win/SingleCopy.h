#pragma once
// One copy of the program per user session: a named mutex. A second start is refused and brings
// the running copy's window to the front.

#include <windows.h>

namespace tokimori {

class SingleCopy {
  public:
    // windowClass: the class of the running copy's main window, found to bring it forward.
    explicit SingleCopy(const wchar_t* windowClass);
    ~SingleCopy();
    SingleCopy(const SingleCopy&) = delete;
    SingleCopy& operator=(const SingleCopy&) = delete;

    // True when this copy is the one; false when another runs.
    bool acquire();
    bool held() const { return held_; }
    void bringRunningCopyForward() const;

  private:
    const wchar_t* windowClass_;
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

} // namespace tokimori
