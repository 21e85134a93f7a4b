#include "view/Fit.h"

#include <cmath>

namespace tokimori {

FitRect FitPicture(const FitRect& frame, int w, int h) {
    if (w <= 0 || h <= 0 || frame.width <= 0 || frame.height <= 0) return {};
    const double rW = static_cast<double>(frame.width) / w;
    const double rH = static_cast<double>(frame.height) / h;
    const bool centreVertically = rW < rH;
    const double scale = centreVertically ? rW : rH;
    FitRect r{frame.left, frame.top, static_cast<int>(std::lround(w * scale)),
              static_cast<int>(std::lround(h * scale))};
    if (centreVertically)
        r.top = frame.top + (frame.height - r.height) / 2;
    else
        r.left = frame.left + (frame.width - r.width) / 2;
    return r;
}

} // namespace tokimori
