#include "controls/ButtonFace.h"

#include <QFontMetrics>
#include <QPainter>

namespace tokimori {

namespace {

// Windows system colour indices the program uses, and the palette role that holds each here.
QColor SystemColor(uint32_t index, const QPalette& p) {
    switch (index) {
    case 1: // desktop
    case 4: // menu
        return p.color(QPalette::Window);
    case 2:  // active caption
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 5: // window
        return p.color(QPalette::Base);
    case 6:  // window frame
    case 21: // 3D dark shadow
        return p.color(QPalette::Shadow);
    case 7: // menu text
        return p.color(QPalette::WindowText);
    case 8: // window text
        return p.color(QPalette::Text);
    case 9:  // caption text
    case 14: // highlight text
        return p.color(QPalette::HighlightedText);
    case 15: // button face
        return p.color(QPalette::Button);
    case 16: // button shadow
        return p.color(QPalette::Dark);
    case 17: // grey text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 22: // 3D light
        return p.color(QPalette::Midlight);
    case 23: // tooltip text
        return p.color(QPalette::ToolTipText);
    case 24: // tooltip back
        return p.color(QPalette::ToolTipBase);
    default:
        return p.color(QPalette::Window);
    }
}

OleColor FromQColor(const QColor& c) {
    return OleColor(c.red()) | (OleColor(c.green()) << 8) | (OleColor(c.blue()) << 16);
}

} // namespace

OleColor TranslateColor(OleColor color, int options, const QPalette& palette) {
    return TranslateColor(color, options, [&palette](uint32_t index) {
        return FromQColor(SystemColor(index, palette));
    });
}

QColor ToQColor(OleColor c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ButtonPicture ConvertPicture(const ButtonPicture& picture, const QColor& background) {
    if (picture.isNull() || picture.type == ButtonPicture::Type::Bitmap) return picture;
    QPixmap bitmap(picture.pixmap.size());
    bitmap.setDevicePixelRatio(picture.pixmap.devicePixelRatio());
    bitmap.fill(background);
    QPainter p(&bitmap);
    p.drawPixmap(0, 0, picture.pixmap);
    p.end();
    return {ButtonPicture::Type::Bitmap, bitmap};
}

QPixmap DrawButtonFace(const FaceInput& in, FaceLayout* layoutOut) {
    const int W = in.client.width() - 4;
    const int H = in.client.height() - 5;
    if (W <= 0 || H <= 0) {
        if (layoutOut) *layoutOut = FaceLayout{W, H};
        return QPixmap();
    }
    const qreal dpr = in.devicePixelRatio;
    QPixmap face(qRound(W * dpr), qRound(H * dpr));
    face.setDevicePixelRatio(dpr);
    face.fill(in.palette.color(QPalette::Button));

    ButtonPicture picture;
    if (in.pictureMode == 99 && !in.picture.isNull())
        picture = ConvertPicture(
            in.picture,
            ToQColor(TranslateColor(FromQColor(in.backColor), 3, in.palette) & 0x00FFFFFFu));
    const QSize picSize =
        picture.isNull() ? QSize(0, 0) : picture.pixmap.deviceIndependentSize().toSize();
    const int picW = picSize.width(), picH = picSize.height();

    int textW = 0, textH = 0;
    const int flags = Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (in.style == 0) {
        const QSize measured = QFontMetrics(in.font).size(flags, in.caption);
        textW = measured.width();
        textH = measured.height();
    } else if (in.style == 1) {
        textW = W - picW - 5;
        textH = H - 2;
    }
    const FaceLayout f = LayOutFace(W, H, picW, picH, textW, textH, in.picturePosition);
    if (layoutOut) *layoutOut = f;

    QPainter p(&face);
    if (in.style == 0) {
        p.setFont(in.font);
        p.setPen(Qt::black);
        p.drawText(QRect(f.textX, f.textY, f.textW, f.textH), flags, in.caption);
    } else if (in.style == 1) {
        p.setPen(Qt::black);
        p.setBrush(ToQColor(TranslateColor(in.color, 1, in.palette)));
        p.drawRect(f.textX, f.textY, f.textW - 1, f.textH - 1);
    }
    if (!picture.isNull()) p.drawPixmap(QRect(f.picX, f.picY, picW, picH), picture.pixmap);
    return face;
}

} // namespace tokimori
