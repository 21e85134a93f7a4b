#pragma once
// Fitting a picture into a frame: the picture keeps its proportions, fills the frame in one
// direction and is centred in the other. A picture wider in proportion than the frame fills its
// width and is centred vertically; a taller one, or one of exactly the frame's proportions,
// fills its height and is centred horizontally. Small pictures are enlarged.

namespace tokimori {

struct FitRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const FitRect&) const = default;
};

// frame and the result in the same units (pixels); natural: the picture's size, upright.
// A picture without width or height fits nowhere: the result is empty.
FitRect FitPicture(const FitRect& frame, int naturalWidth, int naturalHeight);

} // namespace tokimori
