#pragma once
// Drawing the face of a custom command button: caption (or a colour swatch) and a picture side by
// side, rendered into a pixmap of the button's inner size.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <cstdint>

#include "view/ButtonFace.h"

namespace tokimori {

// A picture as the button takes it: a bitmap is copied as it is; an icon is first drawn onto the
// button's back colour (its transparent parts show that colour).
struct ButtonPicture {
    enum class Type { None = 0, Bitmap = 1, Icon = 3 };
    Type type = Type::None;
    QPixmap pixmap;
    bool isNull() const { return type == Type::None || pixmap.isNull(); }
};

// TranslateColor (view/ButtonFace.h) with the system colours of palette.
OleColor TranslateColor(OleColor color, int options, const QPalette& palette);
QColor ToQColor(OleColor color);

// The picture as a bitmap on background (icons are drawn onto it; bitmaps come back unchanged).
ButtonPicture ConvertPicture(const ButtonPicture& picture, const QColor& background);

struct FaceInput {
    QString caption;
    ButtonPicture picture;
    int pictureMode = 99;
    int picturePosition = 2;
    int style = 0;
    OleColor color = 0x00FFFFFF;
    QSize client;     // the button's client size
    QColor backColor; // the button's back colour (for icon pictures)
    QPalette palette; // system colours
    QFont font;       // the system's default user-interface font
    qreal devicePixelRatio = 1.0;
};

// The face: W × H = client width − 4 by client height − 5 (an empty pixmap when that is not
// positive). layout receives the arithmetic.
QPixmap DrawButtonFace(const FaceInput& in, FaceLayout* layout = nullptr);

} // namespace tokimori
