#pragma once
// (Stand-in until the thumbnail lands.)
#include "exif/ExifReader.h"
#include "win/Wide.h"
#include <string>
#include <windows.h>
namespace tokimori {
inline constexpr UINT kThumbnailDecoded = WM_APP + 1;
class ThumbnailPane {
  public:
    ThumbnailPane(HWND image, HWND frame, HWND) : image_(image), frame_(frame) {}
    bool fit(const std::string& path, const ExifInfo* = nullptr) {
        shown_ = !path.empty();
        return true;
    }
    void clear() {
        shown_ = false;
        SetWindowTextW(frame_, L"");
    }
    void note(const std::string& why) { SetWindowTextW(frame_, W(why).c_str()); }
    bool wait(int) { return true; }
    bool showsPicture() const { return shown_; }
    void decoded() {}

  private:
    HWND image_, frame_;
    bool shown_ = false;
};
inline std::string PhotoReadFailureText(const RunError& e) {
    return e.detail;
}
} // namespace tokimori
