#pragma once
// The main window's layout: every control's rectangle in twips, relative to its container, for
// a client size; and the minimum outer size the window is held at.

#include <optional>
#include <string>
#include <vector>

#include "view/Geometry.h"

namespace tokimori {

// The smallest outer size of the main window, and its size by design (client area).
inline constexpr int kMinOuterWidth = 12735;
inline constexpr int kMinOuterHeight = 7560;
inline constexpr int kDesignClientWidth = 13680;
inline constexpr int kDesignClientHeight = 7665;

struct ControlPlace {
    const char* name;      // the control's name: "File1", "lbl_Back_Image0", …
    const char* container; // "" for the window itself
    Rect rect;             // twips, relative to the container
};

// Every shown control of the main window at its design rectangle, containers before what they
// hold. (The tool bar and status bar are docked: the window places them.)
const std::vector<ControlPlace>& MainControls();

// The rectangles of every control for a client area of clientWidth × clientHeight twips:
// the panels stretch, the right-hand columns of the browse panel keep their width pinned to its
// right edge, the lists, the information box and the thumbnail frame grow downward; nothing else
// moves.
std::vector<ControlPlace> LayOutMain(int clientWidth, int clientHeight);

// The rectangle of one control in a layout ({} when it has none).
Rect PlaceOf(const std::vector<ControlPlace>& layout, const std::string& name);

// A normal window smaller than the minimum outer size is given it, height before width, one at
// a time: the outer size to set (each setting lays out anew), or none when it is large enough.
// Sizes within a pixel of the minimum count as it.
struct OuterSize {
    int width = 0;
    int height = 0;
    bool operator==(const OuterSize&) const = default;
};
std::optional<OuterSize> MinimumSizeCorrection(int outerWidth, int outerHeight);

} // namespace tokimori
