#include "view/Placement.h"

#include <algorithm>
#include <cstdint>

namespace tokimori {

Rect OnAScreen(const Rect& outer, const std::vector<Rect>& screens) {
    if (screens.empty() || outer.empty()) return outer;
    const Rect title{outer.left, outer.top, outer.width, std::min(outer.height, 24)};
    Rect nearest;
    int64_t best = -1;
    for (const Rect& area : screens) {
        const int seenW = std::min(area.right(), title.right()) - std::max(area.left, title.left);
        const int seenH = std::min(area.bottom(), title.bottom()) - std::max(area.top, title.top);
        if (seenW >= std::min(100, title.width) && seenH >= std::min(12, title.height))
            return outer;
        // Distance from the title bar's middle to the screen.
        const int cx = title.left + title.width / 2, cy = title.top + title.height / 2;
        const int64_t dx = std::max(0, std::max(area.left - cx, cx - (area.right() - 1)));
        const int64_t dy = std::max(0, std::max(area.top - cy, cy - (area.bottom() - 1)));
        if (best < 0 || dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = area;
        }
    }
    const int x =
        std::clamp(outer.left, nearest.left, std::max(nearest.left, nearest.right() - outer.width));
    const int y =
        std::clamp(outer.top, nearest.top, std::max(nearest.top, nearest.bottom() - outer.height));
    return {x, y, outer.width, outer.height};
}

bool PlausibleFrame(const Margins& m) {
    return m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0 && m.left + m.right < 200 &&
           m.top + m.bottom < 200;
}

Margins WindowPlacement::frame(const std::optional<Margins>& reported) const {
    if (framePending_ || !reported || !PlausibleFrame(*reported)) return frame_;
    return *reported;
}

WindowPlacement::Step WindowPlacement::frameReported(const Margins& frame, WindowState state,
                                                     const Rect& client, int msSinceShown,
                                                     int minimumOuterWidth,
                                                     int minimumOuterHeight) {
    Step step;
    // A maximised window has a frame of its own (often no borders): not the normal window's.
    if (!PlausibleFrame(frame) || state != WindowState::Normal) return step;
    const bool first = framePending_;
    // While the window manager takes the window on, the frame first reported may be made up and
    // a placing may land one frame's width beside the place asked for: until the frame has
    // settled such a placing is corrected.
    if (!first && (msSinceShown > 2000 || placings_ >= 4)) {
        step.settled = true;
        return step;
    }
    const int minWidth = minimumOuterWidth - frame.left - frame.right;
    const int minHeight = minimumOuterHeight - frame.top - frame.bottom;
    if (first || !(frame == frame_)) {
        framePending_ = false;
        frame_ = frame;
        step.minimumWidth = minWidth;
        step.minimumHeight = minHeight;
    }
    if (!start_.empty()) {
        const Rect want{start_.left, start_.top,
                        std::max(start_.width, minWidth + frame.left + frame.right),
                        std::max(start_.height, minHeight + frame.top + frame.bottom)};
        const Rect have = Grown(client, frame);
        const int offX = have.left - want.left, offY = have.top - want.top;
        const bool besideByAFrame = have.width == want.width && have.height == want.height &&
                                    ((offX == frame.left && offY == frame.top) ||
                                     (offX == -frame.left && offY == -frame.top));
        if (have == want) {
            step.settled = true;
        } else if (first || besideByAFrame) {
            ++placings_;
            step.placeClient = Shrunk(want, frame);
        }
    }
    return step;
}

void WindowPlacement::noteNormal(const Rect& client) {
    if (framePending_) return;
    if (!history_.empty() && history_.back() == client) return;
    history_.push_back(client);
    if (history_.size() > 8) history_.erase(history_.begin());
}

void WindowPlacement::maximised(const Rect& client) {
    while (!history_.empty() &&
           ((history_.back().width == client.width && history_.back().height == client.height) ||
            (history_.back().left == client.left && history_.back().top == client.top)))
        history_.pop_back();
}

Rect WindowPlacement::normalOuter(WindowState state, const Rect& client, const Rect& systemNormal,
                                  const Margins& frameNow) const {
    // Closed before the window manager framed the window (a session ending during start-up): it
    // still stands where start-up placed it.
    if (framePending_ && !start_.empty())
        return {start_.left, start_.top, client.width + frameNow.left + frameNow.right,
                client.height + frameNow.top + frameNow.bottom};
    if (state == WindowState::Normal) return Grown(client, frameNow);
    return Grown(history_.empty() ? systemNormal : history_.back(), frame_);
}

} // namespace tokimori
