// The custom command button on a native BUTTON: the face it hands over (BM_GETIMAGE), read
// pixel by pixel, for the six arrangements, the swatch, the pictures, pressed and disabled;
// "[Wrong Style]"; Enter and Space pressing it through the message loop.

#include <gtest/gtest.h>

#include <stdexcept>

#include "Pixels.h"
#include "view/ButtonFace.h"
#include "win/Artwork.h"
#include "win/CommandButtonCT.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using test::Pixels;
using test::Rgba;

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A window holding one push button of the run button's size, 222 × 36, in the system's font.
class ButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"TokimoriButtonTest";
        RegisterClassExW(&wc);
        parent = CreateWindowExW(0, wc.lpszClassName, L"button", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 40, 40, 400, 200, nullptr, nullptr, wc.hInstance, nullptr);
        font =
            CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    }
    void TearDown() override {
        DestroyWindow(parent);
        DeleteObject(font);
        if (bitmap) DeleteObject(bitmap);
    }

    HWND MakeButton(const wchar_t* caption, DWORD style = BS_PUSHBUTTON | BS_BITMAP) {
        HWND b = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                 10, 10, 222, 36, parent, reinterpret_cast<HMENU>(101),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return b;
    }
    static HBITMAP Face(HWND b) {
        return reinterpret_cast<HBITMAP>(SendMessageW(b, BM_GETIMAGE, IMAGE_BITMAP, 0));
    }
    // A 32 × 32 bitmap of one colour.
    HBITMAP Solid(COLORREF c) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, 32, 32);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(c);
        const RECT all{0, 0, 32, 32};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return bitmap;
    }
    // The caption's width and height in the button's font.
    SIZE TextExtent(const std::string& caption) const {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE s{};
        const std::wstring text = W(caption);
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &s);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return s;
    }
    static bool Ink(const Rgba& p) { return p.r < 80 && p.g < 80 && p.b < 80; }
    static bool IsMagenta(const Rgba& p) { return p.r == 255 && p.g == 0 && p.b == 255; }

    HWND parent = nullptr;
    HFONT font = nullptr;
    HBITMAP bitmap = nullptr;
};

TEST_F(ButtonTest, PictureAndCaptionWhereEachArrangementPutsThem) {
    HWND b = MakeButton(L"Caption");
    CommandButtonCT c;
    c.Load(b);
    c.setPicture(ButtonPicture::Of(Solid(kMagenta)));
    const SIZE text = TextExtent("Caption");
    for (const int position : {1, 2, 3, 4, 5, 6, 0}) {
        c.setPicturePosition(position);
        const Pixels face(Face(b));
        ASSERT_EQ(face.width(), 218);
        ASSERT_EQ(face.height(), 31);
        const FaceLayout f = LayOutFace(218, 31, 32, 32, text.cx, text.cy, position);
        // The picture exactly where it belongs; its bottom row falls outside (31 − 32 halves to 0).
        const RECT pic = face.bounds(IsMagenta);
        EXPECT_EQ(pic.left, f.picX) << position;
        EXPECT_EQ(pic.right, f.picX + 32) << position;
        EXPECT_EQ(pic.top, 0) << position;
        EXPECT_EQ(pic.bottom, 31) << position;
        // The caption's ink inside the caption's box, beside the picture (or under it at 0).
        const RECT ink = face.bounds(Ink);
        ASSERT_LT(ink.left, ink.right) << position << ": no caption drawn";
        EXPECT_GE(ink.left, f.textX) << position;
        EXPECT_LE(ink.right, f.textX + f.textW) << position;
        EXPECT_GE(ink.top, f.textY) << position;
        EXPECT_LE(ink.bottom, f.textY + f.textH) << position;
        if (position == 1) {
            EXPECT_EQ(f.textX, f.picX + 33) << "one pixel apart";
        }
    }
    EXPECT_EQ(TextOf(b), "") << "the caption lives in the face";
    EXPECT_EQ(c.Caption(), "Caption");
}

TEST_F(ButtonTest, AnIconShowsTheBackColourABitmapIsCopiedAsItIs) {
    HWND b = MakeButton(L" ");
    // The main window's way: the icon set on the button before the face takes it over.
    SendMessageW(b, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(ArtIcon(Art::Run)));
    CommandButtonCT c;
    c.Load(b);
    EXPECT_EQ(c.Picture().type, ButtonPicture::Type::Icon);
    c.setPicturePosition(2);
    {
        const Pixels face(Face(b));
        EXPECT_TRUE(face.is(14, 8, RGB(200, 40, 40), 2)) << "the calendar's head";
        EXPECT_TRUE(face.is(0, 0, GetSysColor(COLOR_BTNFACE))) << "its clear corner";
    }
    EnableWindow(b, FALSE);
    EXPECT_TRUE(Pixels(Face(b)).is(0, 0, RGB(255, 255, 255))) << "disabled, on white";
    EnableWindow(b, TRUE);
    c.setPicture(ButtonPicture::Of(ArtBitmap(Art::Run)));
    EXPECT_EQ(c.Picture().type, ButtonPicture::Type::Bitmap);
    {
        const Pixels face(Face(b));
        EXPECT_TRUE(face.is(14, 8, RGB(200, 40, 40), 2));
        EXPECT_TRUE(face.is(0, 0, RGB(0, 0, 0))) << "no transparency: the clear corner is black";
    }
    // Any mode but 99 draws no picture.
    c.setPictureMode(0);
    EXPECT_TRUE(Pixels(Face(b)).is(14, 8, GetSysColor(COLOR_BTNFACE)));
}

TEST_F(ButtonTest, TheSwatchFillsTheWidthThePictureLeaves) {
    HWND b = MakeButton(L"Caption");
    CommandButtonCT c;
    c.Load(b);
    c.setPicture(ButtonPicture::Of(Solid(kMagenta)));
    c.setPicturePosition(1);
    c.setColor(0x8000000D); // the system's highlight colour
    c.setStyle(1);
    // 218 − 32 − 5 = 181 wide, 31 − 2 = 29 high; the pair centred: the picture at 2, the
    // swatch at 35, one pixel down.
    const Pixels face(Face(b));
    const RECT pic = face.bounds(IsMagenta);
    EXPECT_EQ(pic.left, 2);
    EXPECT_TRUE(face.is(35, 1, RGB(0, 0, 0))) << "outlined in black";
    EXPECT_TRUE(face.is(35 + 180, 1 + 28, RGB(0, 0, 0)));
    EXPECT_TRUE(face.is(100, 15, GetSysColor(COLOR_HIGHLIGHT))) << "filled with the colour";
    EXPECT_TRUE(face.is(35 + 181, 15, GetSysColor(COLOR_BTNFACE))) << "nothing past it";
    EXPECT_EQ(face.bounds(Ink).right, 35 + 181) << "and no caption";
}

TEST_F(ButtonTest, AButtonNotInTheGraphicalStyleSaysSo) {
    HWND b = MakeButton(L"Caption", BS_PUSHBUTTON);
    CommandButtonCT c;
    c.Load(b);
    EXPECT_EQ(TextOf(b), "[Wrong Style]");
    EXPECT_EQ(c.Caption(), "Caption");
    EXPECT_EQ(Face(b), nullptr);
    c.setCaption("Other");
    EXPECT_EQ(TextOf(b), "[Wrong Style]");
}

TEST_F(ButtonTest, WhatRedrawsTheFace) {
    CommandButtonCT c;
    EXPECT_THROW(c.Refresh(), std::logic_error) << "no button yet";
    EXPECT_THROW(c.setCaption("x"), std::logic_error);
    HWND b = MakeButton(L"Caption");
    c.Load(b);
    struct Row {
        const char* what;
        void (*write)(CommandButtonCT&);
        bool redraws;
    };
    const Row rows[] = {
        {"Caption", [](CommandButtonCT& k) { k.setCaption(k.Caption()); }, true},
        {"PicturePosition", [](CommandButtonCT& k) { k.setPicturePosition(2); }, true},
        {"PictureMode", [](CommandButtonCT& k) { k.setPictureMode(99); }, true},
        {"Picture", [](CommandButtonCT& k) { k.setPicture({}); }, true},
        {"Style", [](CommandButtonCT& k) { k.setStyle(0); }, true},
        {"Color", [](CommandButtonCT& k) { k.setColor(k.Color()); }, true},
        {"Refresh", [](CommandButtonCT& k) { k.Refresh(); }, true},
        {"Name", [](CommandButtonCT& k) { k.setName("CmdExe"); }, false},
        {"Enabled", [](CommandButtonCT& k) { k.setEnabled(true); }, false},
    };
    for (const Row& r : rows) {
        HBITMAP before = Face(b);
        r.write(c);
        EXPECT_EQ(Face(b) != before, r.redraws) << r.what;
    }
    // A new size, a new face of the new inner size.
    SetWindowPos(b, nullptr, 0, 0, 150, 40, SWP_NOMOVE | SWP_NOZORDER);
    const Pixels face(Face(b));
    EXPECT_EQ(face.width(), 146);
    EXPECT_EQ(face.height(), 35);
    c.setEnabled(false);
    EXPECT_FALSE(c.Enabled());
    EXPECT_FALSE(IsWindowEnabled(b));
    // Disabled, the face is on white, which the native disabled look leaves out.
    EXPECT_TRUE(Pixels(Face(b)).is(0, 0, RGB(255, 255, 255)));
    c.setEnabled(true);
    EXPECT_TRUE(Pixels(Face(b)).is(0, 0, GetSysColor(COLOR_BTNFACE)));
    c.setVisible(false);
    EXPECT_FALSE(c.Visible());
}

// Keys as the program's message loop receives them, the dialog manager first.
void Pump(HWND parent) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (IsDialogMessageW(parent, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

TEST_F(ButtonTest, EnterPressesTheFocusedButtonAsSpaceDoes) {
    HWND b = MakeButton(L"Caption");
    CommandButtonCT c;
    c.Load(b);
    int clicks = 0;
    c.Click = [&clicks] { ++clicks; };
    struct Row {
        const char* what;
        WPARAM key;
        LPARAM extended;
    };
    const RECT rest = Pixels(Face(b)).bounds(Ink);
    for (const Row r : {Row{"Space", VK_SPACE, 0}, Row{"Enter", VK_RETURN, 0},
                        Row{"keypad Enter", VK_RETURN, LPARAM(1) << 24}}) {
        clicks = 0;
        SetForegroundWindow(parent);
        SetFocus(b);
        ASSERT_EQ(GetFocus(), b);
        PostMessageW(b, WM_KEYDOWN, r.key, 1 | r.extended);
        Pump(parent);
        EXPECT_TRUE(c.Value()) << r.what << ": held down, the button is pressed";
        EXPECT_EQ(clicks, 0) << r.what;
        const RECT held = Pixels(Face(b)).bounds(Ink);
        EXPECT_EQ(held.left, rest.left + 1) << r.what << ": the face moved right";
        EXPECT_EQ(held.top, rest.top + 1) << r.what << ": and down";
        PostMessageW(b, WM_KEYUP, r.key, 1 | r.extended | (LPARAM(3) << 30));
        Pump(parent);
        EXPECT_FALSE(c.Value()) << r.what;
        EXPECT_EQ(clicks, 1) << r.what << ": a click as the key comes up";
        EXPECT_EQ(Pixels(Face(b)).bounds(Ink).left, rest.left) << r.what << ": back in place";
    }
    // A click of the mouse's kind too.
    clicks = 0;
    SendMessageW(b, BM_CLICK, 0, 0);
    Pump(parent);
    EXPECT_EQ(clicks, 1);
}

} // namespace
} // namespace tokimori
