#pragma once
// Fitting a picture into a frame: the picture keeps its proportions, fills the frame in one
// direction and is centred in the other. A picture wider in proportion than the frame fills its
// width and is centred vertically; a taller one, or one of exactly the frame's proportions,
// fills its height and is centred horizontally. Small pictures are enlarged.

#include "view/Geometry.h"

namespace tokimori {

using FitRect = Rect;

// frame and the result in the same units (twips or pixels); natural: the picture's size,
// upright. The thumbnail and the photo viewer fit by this one rule.
// A picture without width or height fits nowhere: the result is empty.
FitRect FitPicture(const FitRect& frame, int naturalWidth, int naturalHeight);

} // namespace tokimori
