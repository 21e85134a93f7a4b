#pragma once
// Window measures are written in twips (1/1440 inch): 15 twips are one pixel at 96 dots per inch.
// The conversions are the presentation layer's; this header adds those of Qt's rectangles.

#include <QMargins>
#include <QRect>

#include "view/Geometry.h"

namespace tokimori {

inline QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}
inline QMargins ToQMargins(const Margins& m) {
    return QMargins(m.left, m.top, m.right, m.bottom);
}
inline Rect FromQRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

} // namespace tokimori
