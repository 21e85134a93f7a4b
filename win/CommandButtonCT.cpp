#include "win/CommandButtonCT.h"

#include <stdexcept>
#include <utility>

#include <commctrl.h>

#include "win/Wide.h"

namespace tokimori {

namespace {

// A push button's back colour: the system's button face.
constexpr OleColor kButtonBackColor = 0x8000000F;

COLORREF Translated(OleColor color, int options) {
    return TranslateColor(color, options,
                          [](uint32_t index) { return OleColor(GetSysColor(int(index))); });
}

SIZE PictureSize(const ButtonPicture& p) {
    BITMAP info{};
    if (p.type == ButtonPicture::Type::Bitmap) {
        if (GetObjectW(p.handle, sizeof info, &info)) return {info.bmWidth, info.bmHeight};
        return {0, 0};
    }
    ICONINFO icon{};
    if (!GetIconInfo(static_cast<HICON>(p.handle), &icon)) return {0, 0};
    SIZE size{0, 0};
    if (icon.hbmColor && GetObjectW(icon.hbmColor, sizeof info, &info))
        size = {info.bmWidth, info.bmHeight};
    else if (icon.hbmMask && GetObjectW(icon.hbmMask, sizeof info, &info))
        size = {info.bmWidth, info.bmHeight / 2}; // a monochrome icon: image over mask
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    return size;
}

// The picture as a bitmap on background: an icon drawn onto it (a bitmap of its own, which
// the caller deletes: owned), a bitmap as it is.
struct Converted {
    HBITMAP bitmap = nullptr;
    SIZE size{0, 0};
    bool owned = false;
};

Converted ConvertPicture(const ButtonPicture& p, HDC screen, COLORREF background) {
    Converted c;
    if (p.isNull()) return c;
    c.size = PictureSize(p);
    if (p.type == ButtonPicture::Type::Bitmap) {
        c.bitmap = static_cast<HBITMAP>(p.handle);
        return c;
    }
    if (c.size.cx <= 0 || c.size.cy <= 0) return c;
    HDC dc = CreateCompatibleDC(screen);
    c.bitmap = CreateCompatibleBitmap(screen, c.size.cx, c.size.cy);
    c.owned = true;
    HGDIOBJ old = SelectObject(dc, c.bitmap);
    HBRUSH fill = CreateSolidBrush(background);
    const RECT all{0, 0, c.size.cx, c.size.cy};
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    DrawIconEx(dc, 0, 0, static_cast<HICON>(p.handle), c.size.cx, c.size.cy, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

} // namespace

ButtonPicture ButtonPicture::Of(HANDLE handle) {
    if (!handle) return {};
    return {GetObjectType(handle) == OBJ_BITMAP ? Type::Bitmap : Type::Icon, handle};
}

CommandButtonCT::~CommandButtonCT() {
    Release();
}

HWND CommandButtonCT::button() const {
    // Members that need the button fail before Load, as a missing object does.
    if (!m_Command) throw std::logic_error("CommandButtonCT: no button loaded");
    return m_Command;
}

void CommandButtonCT::Release() {
    if (m_Command) {
        RemoveWindowSubclass(m_Command, &CommandButtonCT::ButtonProc, SubclassId());
        if (IsWindow(m_Command)) {
            const auto shown =
                reinterpret_cast<HBITMAP>(SendMessageW(m_Command, BM_GETIMAGE, IMAGE_BITMAP, 0));
            if (shown && (shown == face_ || shown == pressedFace_))
                SendMessageW(m_Command, BM_SETIMAGE, IMAGE_BITMAP, 0);
            SetWindowTextW(m_Command, W(caption_).c_str());
        }
    }
    if (parent_) RemoveWindowSubclass(parent_, &CommandButtonCT::ParentProc, SubclassId());
    m_Command = parent_ = nullptr;
    for (HBITMAP* f : {&face_, &pressedFace_}) {
        if (*f) DeleteObject(*f);
        *f = nullptr;
    }
}

void CommandButtonCT::Load(HWND target) {
    Release();
    m_Command = target;
    parent_ = GetParent(target);
    SetWindowSubclass(target, &CommandButtonCT::ButtonProc, SubclassId(),
                      reinterpret_cast<DWORD_PTR>(this));
    if (parent_)
        SetWindowSubclass(parent_, &CommandButtonCT::ParentProc, SubclassId(),
                          reinterpret_cast<DWORD_PTR>(this));
    // The button's picture: BM_GETIMAGE answers with whichever image it holds.
    HANDLE image = reinterpret_cast<HANDLE>(SendMessageW(target, BM_GETIMAGE, IMAGE_BITMAP, 0));
    if (!image) image = reinterpret_cast<HANDLE>(SendMessageW(target, BM_GETIMAGE, IMAGE_ICON, 0));
    picture_ = ButtonPicture::Of(image);
    caption_ = TextOf(target);
    Refresh();
}

void CommandButtonCT::Refresh() {
    HWND b = button();
    if (!(GetWindowLongPtrW(b, GWL_STYLE) & BS_BITMAP)) {
        SetWindowTextW(b, L"[Wrong Style]");
        return;
    }
    RECT client{};
    GetClientRect(b, &client);
    const int W = FaceWidth(client.right), H = FaceHeight(client.bottom);
    // A button too small for a face shows none.
    const bool drawn = W > 0 && H > 0, disabled = !IsWindowEnabled(b);
    HBITMAP face = drawn ? DrawFace(b, W, H, 0, disabled) : nullptr;
    HBITMAP pressed = drawn ? DrawFace(b, W, H, kPressedShift, disabled) : nullptr;
    SetWindowTextW(b, L"");
    std::swap(face, face_);
    std::swap(pressed, pressedFace_);
    const bool pushed = (SendMessageW(b, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    SendMessageW(b, BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(pushed ? pressedFace_ : face_));
    for (HBITMAP old : {face, pressed})
        if (old) DeleteObject(old);
}

void CommandButtonCT::ShowFace(bool pressed) {
    if (!face_) return; // no face of its own: the button shows what it has
    HBITMAP want = pressed ? pressedFace_ : face_;
    if (reinterpret_cast<HBITMAP>(SendMessageW(m_Command, BM_GETIMAGE, IMAGE_BITMAP, 0)) != want)
        SendMessageW(m_Command, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(want));
}

// shift moves everything right and down, as a pressed button shows it; a disabled button's face
// is drawn on white.
HBITMAP CommandButtonCT::DrawFace(HWND b, int W, int H, int shift, bool disabled) const {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP face = CreateCompatibleBitmap(screen, W, H);
    HGDIOBJ oldBitmap = SelectObject(dc, face);

    const COLORREF back = disabled ? RGB(255, 255, 255) : Translated(kButtonBackColor, 3);
    const Converted picture = pictureMode_ == 99 && !picture_.isNull()
                                  ? ConvertPicture(picture_, screen, back)
                                  : Converted{};
    SetBkMode(dc, TRANSPARENT);
    auto font = reinterpret_cast<HFONT>(SendMessageW(b, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    const RECT all{-1, -1, W + 1, H + 1};
    FillRect(dc, &all,
             disabled ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                      : GetSysColorBrush(COLOR_BTNFACE));
    SetViewportOrgEx(dc, shift, shift, nullptr);

    const int picW = picture.bitmap ? int(picture.size.cx) : 0;
    const int picH = picture.bitmap ? int(picture.size.cy) : 0;
    const std::wstring caption = tokimori::W(caption_);
    int textW = 0, textH = 0;
    if (style_ == 0) {
        RECT measured{0, 0, W + 4, H + 5};
        DrawTextW(dc, caption.c_str(), int(caption.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
        textW = measured.right - measured.left;
        textH = measured.bottom - measured.top;
    } else if (style_ == 1) {
        textW = W - picW - 5;
        textH = H - 2;
    }
    const FaceLayout f = LayOutFace(W, H, picW, picH, textW, textH, picturePosition_);

    if (style_ == 0) {
        RECT r{f.textX, f.textY, f.textX + f.textW, f.textY + f.textH};
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, caption.c_str(), int(caption.size()), &r, DT_SINGLELINE);
    } else if (style_ == 1) {
        HBRUSH swatch = CreateSolidBrush(Translated(color_, 1));
        HGDIOBJ oldBrush = SelectObject(dc, swatch);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, f.textX, f.textY, f.textX + f.textW, f.textY + f.textH);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(swatch);
    }
    if (picture.bitmap) {
        HDC source = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(source, picture.bitmap);
        BitBlt(dc, f.picX, f.picY, picW, picH, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        if (picture.owned) DeleteObject(picture.bitmap);
    }

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return face;
}

void CommandButtonCT::setCaption(const std::string& c) {
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
    return IsWindowEnabled(button());
}
void CommandButtonCT::setEnabled(bool e) {
    EnableWindow(button(), e);
}
bool CommandButtonCT::Visible() const {
    return (GetWindowLongPtrW(button(), GWL_STYLE) & WS_VISIBLE) != 0;
}
void CommandButtonCT::setVisible(bool v) {
    ShowWindow(button(), v ? SW_SHOW : SW_HIDE);
}
bool CommandButtonCT::Value() const {
    return (SendMessageW(button(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

LRESULT CALLBACK CommandButtonCT::ButtonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                             DWORD_PTR ref) {
    auto* self = reinterpret_cast<CommandButtonCT*>(ref);
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter is the button's own, not the dialog manager's default-button key.
        const auto* m = reinterpret_cast<const MSG*>(lp);
        const LRESULT code = DefSubclassProc(w, msg, wp, lp);
        if (m && (m->message == WM_KEYDOWN || m->message == WM_CHAR) &&
            (m->wParam == VK_RETURN || m->wParam == L'\r'))
            return code | DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Enter (either one) presses the button as Space does: down on the key, a click as it
        // comes up.
        if (wp == VK_RETURN) return DefSubclassProc(w, msg, VK_SPACE, lp);
        break;
    case WM_CHAR:
        if (wp == L'\r') return 0;
        break;
    case BM_SETSTATE: {
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        self->ShowFace(wp != 0);
        return r;
    }
    case WM_SIZE:
    case WM_SETFONT:
    case WM_ENABLE: {
        const LRESULT r = DefSubclassProc(w, msg, wp, lp);
        self->Refresh();
        return r;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, &CommandButtonCT::ButtonProc, id);
        self->m_Command = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

LRESULT CALLBACK CommandButtonCT::ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                             DWORD_PTR ref) {
    auto* self = reinterpret_cast<CommandButtonCT*>(ref);
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && self->m_Command &&
        reinterpret_cast<HWND>(lp) == self->m_Command && self->Click)
        self->Click();
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(w, &CommandButtonCT::ParentProc, id);
        self->parent_ = nullptr;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

} // namespace tokimori
