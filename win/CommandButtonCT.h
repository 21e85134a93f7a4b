#pragma once
// Takes over a push button of style BS_BITMAP (the graphical style) and draws its face itself:
// caption and picture side by side in one of six arrangements (view's LayOutFace), or a colour
// swatch. The face is drawn with GDI into a bitmap of the button's inner size and handed to the
// button with BM_SETIMAGE, so the native border, pressed look, focus rectangle and disabled look
// stay. Pressed, the button shows the face moved a pixel right and down (a themed button does not
// move its picture itself); disabled, a face on white, which the native disabled look leaves out
// so that caption and picture show embossed. Any other button shows "[Wrong Style]".

#include <functional>
#include <string>

#include <windows.h>

#include "view/ButtonFace.h"

namespace tokimori {

// A picture as the button takes it: a bitmap is copied onto the face as it is; an icon is first
// drawn onto the button's back colour (its transparent parts show that colour). The handle stays
// its owner's: it must live as long as the button shows it.
struct ButtonPicture {
    enum class Type { None = 0, Bitmap = 1, Icon = 3 };
    Type type = Type::None;
    HANDLE handle = nullptr;
    // The type from the handle itself: a GDI bitmap, else an icon (no handle: none).
    static ButtonPicture Of(HANDLE handle);
    bool isNull() const { return type == Type::None || !handle; }
};

class CommandButtonCT {
  public:
    CommandButtonCT() = default;
    ~CommandButtonCT();
    CommandButtonCT(const CommandButtonCT&) = delete;
    CommandButtonCT& operator=(const CommandButtonCT&) = delete;

    // Binds to target: takes its picture (BM_GETIMAGE) and caption, then draws. A button bound
    // before is given back its caption and loses the face.
    void Load(HWND target);
    // Draws the face again. The members that need the button throw std::logic_error before Load.
    void Refresh();

    const std::string& Name() const { return name_; }
    void setName(const std::string& n) { name_ = n; }
    // UTF-8; "&" marks the access key, drawn as an underlined letter.
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& c);
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

    // Passed through to the wrapped button. Visible is the button's own setting, true even while
    // its window is hidden.
    bool Enabled() const;
    void setEnabled(bool e);
    bool Visible() const;
    void setVisible(bool v);
    bool Value() const;

    // Raised when the button is clicked (by the mouse, Space or Enter), before its parent
    // window's own handling of the click.
    std::function<void()> Click;

  private:
    HWND button() const;
    HBITMAP DrawFace(HWND b, int W, int H, int shift, bool disabled) const;
    // Hands the button the face for its pressed state (when it has a face drawn).
    void ShowFace(bool pressed);
    void Release();
    // Each instance subclasses its windows under an id of its own (two may share a parent).
    UINT_PTR SubclassId() const { return reinterpret_cast<UINT_PTR>(this); }
    static LRESULT CALLBACK ButtonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self);
    static LRESULT CALLBACK ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self);

    std::string name_ = "CommandButtonCT";
    std::string caption_;
    ButtonPicture picture_;
    int picturePosition_ = 2;
    int pictureMode_ = 99;
    int style_ = 0;
    OleColor color_ = 0x00FFFFFF;
    HWND m_Command = nullptr;
    HWND parent_ = nullptr;
    // The drawn faces, which the button shows: as it is, and pressed.
    HBITMAP face_ = nullptr, pressedFace_ = nullptr;
};

} // namespace tokimori
