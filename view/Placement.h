#pragma once
// Where the main window stands: its stored bounds brought onto a screen, the frame the window
// manager puts around it once that frame is known, and the bounds of its normal window whatever
// its state, for the settings at close. Pixels throughout; the window system's reports go in,
// what the window must do comes out.

#include <optional>
#include <vector>

#include "view/Geometry.h"

namespace tokimori {

enum class WindowState { Normal, Maximised, Minimised };

// outer moved onto the nearest of screens (their available areas) when none shows enough of its
// title bar to take hold of it (a monitor since unplugged, a position from a larger desktop);
// all of it on that screen where it fits. Its size is kept.
Rect OnAScreen(const Rect& outer, const std::vector<Rect>& screens);

// Whether frame margins are a window manager's frame: until one has taken the window on, the
// system can report margins made from the unframed window's size.
bool PlausibleFrame(const Margins& m);

class WindowPlacement {
  public:
    // Start-up places the window's outer bounds here (already on a screen).
    void start(const Rect& outer) { start_ = outer; }
    const Rect& startOuter() const { return start_; }
    // The window manager has not framed the window yet.
    bool framePending() const { return framePending_; }
    // The frame around the normal window: the one reported when plausible, else the last known
    // (none before the window manager framed the window).
    Margins frame(const std::optional<Margins>& reported) const;

    // What the window does when the frame is reported (on showing, moving, resizing): take the
    // minimum size as a client size, place itself again at the start bounds (the first time, or
    // when a window manager put it one frame's width beside them), or stop listening: the frame
    // has settled.
    struct Step {
        std::optional<int> minimumWidth, minimumHeight; // client pixels
        std::optional<Rect> placeClient;
        bool settled = false;
    };
    // minimumOuter: the smallest outer size (pixels), within the screen's room.
    Step frameReported(const Margins& frame, WindowState state, const Rect& client,
                       int msSinceShown, int minimumOuterWidth, int minimumOuterHeight);

    // The client rectangle of the normal window, as the system reports it.
    void noteNormal(const Rect& client);
    // The window was maximised: a window manager may have reported the maximised rectangle
    // before the state; that rectangle was never the normal window's.
    void maximised(const Rect& client);
    // The outer bounds of the normal window (the settings' bounds), also while it is maximised
    // or minimised: client is what the system reports now, systemNormal its own idea of the
    // normal rectangle.
    Rect normalOuter(WindowState state, const Rect& client, const Rect& systemNormal,
                     const Margins& frameNow) const;

  private:
    Rect start_;
    bool framePending_ = true;
    Margins frame_;
    int placings_ = 0;
    std::vector<Rect> history_; // recent normal client rectangles, newest last
};

} // namespace tokimori
