#pragma once
// Window measures are written in twips (1/1440 inch): 15 twips are one pixel at 96 dots per inch.

#include <QtMath>

namespace tokimori {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(double twips) {
    return qRound(twips / kTwipsPerPixel);
}

inline int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace tokimori
