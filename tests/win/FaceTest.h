#pragma once
// What the Windows face's tests share: the test photos, a temporary folder, window messages run
// for a while, a check run from inside a modal window's loop, and how alike two pictures look.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <windows.h>

#include "../core/TestFiles.h"
#include "base/Messages.h"
#include "view/Geometry.h"
#include "win/Picture.h"

namespace tokimori {
inline void PrintTo(const PictureSize& s, std::ostream* out) {
    *out << s.width << " x " << s.height;
}
inline void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ") " << r.width << " x " << r.height;
}
} // namespace tokimori

namespace tokimori::test {

// Answers every message box with OK and keeps what it said, while it lives.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    std::vector<MessageRequest> shown;
};

// A shared test photo's path.
std::string PhotoPath(const std::string& name);

// A file of text in a temporary folder (TempDir); its path.
std::string WriteText(const TempDir& dir, const std::string& name, const std::string& text);

// Runs the thread's window messages for ms milliseconds, or until done answers true; done's
// last answer.
bool RunMessages(int ms, const std::function<bool()>& done = {});

// Runs check once from within the next message loop (a modal window's): a thread timer.
void FromTheLoop(std::function<void()> check, int afterMs = 100);

// Closes a window still there after ms (a modal window that did not close as it should), so
// that the test goes on to fail instead of waiting for ever.
class Watchdog {
  public:
    explicit Watchdog(HWND window, int ms = 10000);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    bool fired() const { return fired_; }

  private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD);
    HWND window_;
    UINT_PTR timer_;
    bool fired_ = false;
};

// A child window's rectangle in its parent's client coordinates.
Rect PlaceOf(HWND child);
// A window's client rectangle.
Rect ClientOf(HWND w);
// Makes w's client area width × height pixels (its outer size grows by its frame and menu).
void SetClientSize(HWND w, int width, int height);

// How different two pictures look: the mean difference of their channels (0 to 255), both
// squeezed to 32 × 32 cells.
double Distance(const Bitmap& a, const Bitmap& b);

} // namespace tokimori::test
