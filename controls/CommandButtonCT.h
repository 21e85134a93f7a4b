#pragma once
// Takes over a push button and draws its face itself: caption and picture side by side in one
// of six arrangements, or a colour swatch. The face is handed to the button as its icon, so the
// native pressed, focus and disabled looks stay. The button's events are raised again under the
// same names, their arguments by reference.

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include "controls/ButtonFace.h"

namespace tokimori {

class CommandButtonCT : public QObject {
    Q_OBJECT
  public:
    // A button shows a drawn face only when it carries this property set to true (the graphical
    // style); any other button shows "[Wrong Style]".
    static constexpr const char* kGraphicalStyle = "graphicalStyle";

    explicit CommandButtonCT(QObject* parent = nullptr);

    // Binds to target: takes its picture and caption, then draws.
    void Load(QPushButton* target);
    void Refresh();

    QString Name() const { return name_; }
    void setName(const QString& n) { name_ = n; }
    QString Caption() const { return caption_; }
    void setCaption(const QString& c);
    OleColor Color() const { return color_; }
    void setColor(OleColor c);
    ButtonPicture Picture() const { return picture_; }
    void setPicture(const ButtonPicture& p);
    int PictureMode() const { return pictureMode_; }
    void setPictureMode(int m);
    int PicturePosition() const { return picturePosition_; }
    void setPicturePosition(int p);
    int Style() const { return style_; }
    void setStyle(int s);
    // The drop-down menu shown under the button after its click; none unless one is set.
    QMenu* PopupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Passed through to the wrapped button. Visible is the button's own setting, true even while
    // its window is hidden.
    bool Enabled() const;
    void setEnabled(bool e);
    bool Visible() const;
    void setVisible(bool v);
    bool Value() const;

    // How many times the face was drawn (tests).
    int drawCount() const { return draws_; }
    const FaceLayout& lastLayout() const { return layout_; }

  signals:
    void Click();
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    // KeyCode: the system's virtual-key code (Escape 27, Enter 13, F1 112); a listener that sets
    // it to 0 swallows the key.
    void KeyDown(short& KeyCode, short& Shift);
    void KeyUp(short& KeyCode, short& Shift);
    void KeyPress(short& KeyAscii);
    void GotFocus();
    void LostFocus();
    // The drop-down menu is about to be shown.
    void InitPopup(QMenu* menu);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPushButton* button() const;
    void showPopup();

    QString name_ = "CommandButtonCT";
    QString caption_;
    ButtonPicture picture_;
    int picturePosition_ = 2;
    int pictureMode_ = 99;
    int style_ = 0;
    OleColor color_ = 0x00FFFFFF;
    QPointer<QPushButton> m_Command;
    QPointer<QMenu> popupMenu_;
    int draws_ = 0;
    FaceLayout layout_;
    QIcon face_, pressedFace_; // the face, and the same moved as a pressed button moves it
};

} // namespace tokimori
