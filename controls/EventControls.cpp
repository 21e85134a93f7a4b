#include "controls/EventControls.h"

#include <QMouseEvent>

namespace tokimori {

void MouseUpCheckBox::mouseReleaseEvent(QMouseEvent* e) {
    QCheckBox::mouseReleaseEvent(e);
    emit mouseUp();
}

void Thumbnail::mouseDoubleClickEvent(QMouseEvent* e) {
    QLabel::mouseDoubleClickEvent(e);
    emit doubleClicked();
}

void Thumbnail::mouseMoveEvent(QMouseEvent* e) {
    QLabel::mouseMoveEvent(e);
    emit mouseMoved();
}

} // namespace tokimori
