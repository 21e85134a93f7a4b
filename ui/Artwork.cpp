#include "ui/Artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace tokimori {

namespace {

void PaintCalendar(QPainter& p) {
    // A calendar page with a clock in its corner: a photo's date and time.
    p.setPen(QPen(QColor(40, 60, 120), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 22, 22), 2, 2);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(3, 5, 22, 6));
    p.setPen(QPen(QColor(60, 60, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 3), QPointF(8, 8));
    p.drawLine(QPointF(20, 3), QPointF(20, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 80, 140));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            p.drawRect(QRectF(6 + c * 4.5, 14 + r * 4, 2.5, 2.5));
    p.setPen(QPen(QColor(20, 90, 40), 1.4));
    p.setBrush(QColor(230, 250, 230));
    p.drawEllipse(QPointF(24, 24), 7, 7);
    p.setPen(QPen(QColor(20, 60, 20), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 24), QPointF(24, 19.5));
    p.drawLine(QPointF(24, 24), QPointF(27.5, 25.5));
}

void PaintUp(QPainter& p) {
    p.setPen(QPen(QColor(160, 120, 20), 1.2));
    p.setBrush(QColor(250, 210, 90));
    p.drawRoundedRect(QRectF(3, 11, 26, 17), 2, 2);
    p.drawRect(QRectF(3, 8, 10, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 50));
    QPainterPath arrow;
    arrow.moveTo(16, 12);
    arrow.lineTo(23, 19);
    arrow.lineTo(19, 19);
    arrow.lineTo(19, 26);
    arrow.lineTo(13, 26);
    arrow.lineTo(13, 19);
    arrow.lineTo(9, 19);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

void PaintPreview(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(130, 190, 240));
    p.drawRect(QRectF(3, 6, 22, 17));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 150, 60));
    QPainterPath hill;
    hill.moveTo(3.5, 22.5);
    hill.lineTo(11, 13);
    hill.lineTo(17, 19);
    hill.lineTo(20, 16);
    hill.lineTo(24.5, 22.5);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(250, 220, 60));
    p.drawEllipse(QPointF(20, 10.5), 2.2, 2.2);
    p.setPen(QPen(QColor(50, 50, 50), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(21, 21), 5.5, 5.5);
    p.drawLine(QPointF(25, 25), QPointF(29.5, 29.5));
}

void PaintHelp(QPainter& p) {
    p.setPen(QPen(QColor(20, 70, 150), 1.2));
    p.setBrush(QColor(60, 130, 220));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, "?");
}

void PaintClose(QPainter& p) {
    p.setPen(QPen(QColor(120, 20, 20), 1.2));
    p.setBrush(QColor(220, 60, 50));
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 4, 4);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
    p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
}

QPixmap Paint(Art art, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    switch (art) {
    case Art::Run:
    case Art::Program:
        PaintCalendar(p);
        break;
    case Art::Up:
        PaintUp(p);
        break;
    case Art::Preview:
        PaintPreview(p);
        break;
    case Art::Help:
        PaintHelp(p);
        break;
    case Art::Close:
        PaintClose(p);
        break;
    }
    return pm;
}

} // namespace

QIcon ArtIcon(Art art) {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(Paint(art, size));
    return icon;
}

void GradientBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, width(), 0);
    g.setColorAt(0, QColor(10, 36, 106));
    g.setColorAt(1, QColor(166, 202, 240));
    p.fillRect(rect(), g);
}

} // namespace tokimori
