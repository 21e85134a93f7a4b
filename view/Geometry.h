#pragma once
// Rectangles and sizes of the windows, in twips (1/1440 inch: 15 twips are one pixel at 96 dots
// per inch) or pixels as each name says.

#include <cmath>

namespace tokimori {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const Rect&) const = default;
};

struct Margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Margins&) const = default;
};

inline Rect Grown(const Rect& r, const Margins& m) {
    return {r.left - m.left, r.top - m.top, r.width + m.left + m.right,
            r.height + m.top + m.bottom};
}
inline Rect Shrunk(const Rect& r, const Margins& m) {
    return {r.left + m.left, r.top + m.top, r.width - m.left - m.right,
            r.height - m.top - m.bottom};
}

inline constexpr int kTwipsPerPixel = 15;

// To the nearest pixel, halves upward (-7.5 pixels is -7).
inline int TwipsToPixels(double twips) {
    return static_cast<int>(std::floor(twips / kTwipsPerPixel + 0.5));
}
inline int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}
inline Rect TwipsToPixels(const Rect& r) {
    return {TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
            TwipsToPixels(r.height)};
}

} // namespace tokimori
