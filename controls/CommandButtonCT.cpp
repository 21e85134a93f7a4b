#include "controls/CommandButtonCT.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <stdexcept>

#include "controls/VirtualKey.h"
#include "ui/Twips.h"

namespace tokimori {

namespace {

short MouseButtons(Qt::MouseButtons b) {
    return short((b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
                 (b & Qt::MiddleButton ? 4 : 0));
}

short ShiftState(Qt::KeyboardModifiers m) {
    return short((m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
                 (m & Qt::AltModifier ? 4 : 0));
}

} // namespace

CommandButtonCT::CommandButtonCT(QObject* parent) : QObject(parent) {}

QPushButton* CommandButtonCT::button() const {
    // Members that need the button fail before Load, as a missing object does.
    if (!m_Command) throw std::logic_error("CommandButtonCT: no button loaded");
    return m_Command;
}

void CommandButtonCT::Load(QPushButton* target) {
    if (m_Command) {
        m_Command->removeEventFilter(this);
        disconnect(m_Command, nullptr, this, nullptr);
    }
    m_Command = target;
    target->installEventFilter(this);
    connect(target, &QPushButton::clicked, this, [this] {
        emit Click();
        if (popupMenu_) showPopup();
    });
    // Pressed, the face moves right and down as a native button's picture does.
    connect(target, &QPushButton::pressed, this, [this] { m_Command->setIcon(pressedFace_); });
    connect(target, &QPushButton::released, this, [this] { m_Command->setIcon(face_); });
    const QIcon icon = target->icon();
    picture_ = icon.isNull()
                   ? ButtonPicture{}
                   : ButtonPicture{ButtonPicture::Type::Icon,
                                   icon.pixmap(target->iconSize(), target->devicePixelRatioF())};
    caption_ = target->text();
    Refresh();
}

void CommandButtonCT::Refresh() {
    QPushButton* b = button();
    if (!b->property(kGraphicalStyle).toBool()) {
        b->setText("[Wrong Style]");
        return;
    }
    FaceInput in;
    in.caption = caption_;
    in.picture = picture_;
    in.pictureMode = pictureMode_;
    in.picturePosition = picturePosition_;
    in.style = style_;
    in.color = color_;
    in.client = b->size();
    in.backColor = b->palette().color(QPalette::Button);
    in.palette = b->palette();
    in.font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    in.devicePixelRatio = b->devicePixelRatioF();
    const QPixmap face = DrawButtonFace(in, &layout_);
    ++draws_;
    b->setText(QString());
    face_ = face.isNull() ? QIcon() : QIcon(face);
    pressedFace_ = face_;
    if (!face.isNull()) {
        QPixmap moved(face.size());
        moved.setDevicePixelRatio(face.devicePixelRatio());
        moved.fill(Qt::transparent);
        QPainter p(&moved);
        p.drawPixmap(QPoint(kPressedShift, kPressedShift), face);
        pressedFace_ = QIcon(moved);
    }
    b->setIcon(b->isDown() ? pressedFace_ : face_);
    b->setIconSize(QSize(qMax(0, layout_.W), qMax(0, layout_.H)));
}

void CommandButtonCT::setCaption(const QString& c) {
    caption_ = c;
    Refresh();
}
void CommandButtonCT::setColor(OleColor c) {
    color_ = c;
    Refresh();
}
void CommandButtonCT::setPicture(const ButtonPicture& p) {
    picture_ = p;
    Refresh();
}
void CommandButtonCT::setPictureMode(int m) {
    pictureMode_ = m;
    Refresh();
}
void CommandButtonCT::setPicturePosition(int p) {
    picturePosition_ = p;
    Refresh();
}
void CommandButtonCT::setStyle(int s) {
    style_ = s;
    Refresh();
}

bool CommandButtonCT::Enabled() const {
    return button()->isEnabled();
}
void CommandButtonCT::setEnabled(bool e) {
    button()->setEnabled(e);
}
bool CommandButtonCT::Visible() const {
    return !button()->isHidden();
}
void CommandButtonCT::setVisible(bool v) {
    button()->setVisible(v);
}
bool CommandButtonCT::Value() const {
    return button()->isDown();
}

void CommandButtonCT::showPopup() {
    emit InitPopup(popupMenu_);
    if (!popupMenu_ || !m_Command) return;
    // Below the button, left edges aligned.
    popupMenu_->popup(m_Command->mapToGlobal(QPoint(0, m_Command->height())));
}

bool CommandButtonCT::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_Command) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        short button = MouseButtons(
            event->type() == QEvent::MouseButtonRelease ? e->button() : e->buttons() | e->button());
        short shift = ShiftState(e->modifiers());
        float x = float(e->position().x() * kTwipsPerPixel),
              y = float(e->position().y() * kTwipsPerPixel);
        if (event->type() == QEvent::MouseButtonPress)
            emit MouseDown(button, shift, x, y);
        else if (event->type() == QEvent::MouseMove)
            emit MouseMove(button, shift, x, y);
        else
            emit MouseUp(button, shift, x, y);
        return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* e = static_cast<QKeyEvent*>(event);
        const short original = VirtualKeyCode(e->key(), e->modifiers());
        short code = original;
        short shift = ShiftState(e->modifiers());
        // A listener that sets the code to 0 swallows the key.
        if (event->type() == QEvent::KeyRelease) {
            emit KeyUp(code, shift);
            return code == 0 && original != 0;
        }
        emit KeyDown(code, shift);
        if (code == 0 && original != 0) return true;
        // Enter (either one) presses the button that has the focus, as Space does.
        if (code == 13 && !e->isAutoRepeat()) {
            m_Command->animateClick();
            return true;
        }
        if (e->text().size() != 1) return false;
        short ascii = short(e->text().at(0).unicode());
        const short typed = ascii;
        emit KeyPress(ascii);
        if (ascii == typed) return false;
        if (ascii == 0) return true; // the listener swallowed the key
        // The button goes on with the key the listener chose.
        const QChar c{static_cast<char16_t>(ascii)};
        const int key = c == QChar(' ') ? int(Qt::Key_Space) : int(c.toUpper().unicode());
        QKeyEvent changed(QEvent::KeyPress, key, e->modifiers(), QString(c), e->isAutoRepeat());
        m_Command->removeEventFilter(this);
        QCoreApplication::sendEvent(m_Command, &changed);
        m_Command->installEventFilter(this);
        return true;
    }
    case QEvent::FocusIn:
        emit GotFocus();
        return false;
    case QEvent::FocusOut:
        emit LostFocus();
        return false;
    default:
        return false;
    }
}

} // namespace tokimori
