#pragma once
// Controls that report the events the main window answers and Qt's own controls do not raise.

#include <QCheckBox>
#include <QLabel>

namespace tokimori {

// A check box that reports the release of the mouse button over it, after the click toggled it.
class MouseUpCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    using QCheckBox::QCheckBox;
  signals:
    void mouseUp();

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// The thumbnail: reports double-clicks and mouse moves.
class Thumbnail : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void doubleClicked();
    void mouseMoved();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};

} // namespace tokimori
