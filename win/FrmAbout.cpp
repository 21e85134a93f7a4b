#include "win/FrmAbout.h"

#include "view/About.h"
#include "view/Geometry.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

// The dialog's design sizes and places are twips.
int Px(int twips) {
    return TwipsToPixels(twips);
}

class FrmAbout final : public Dialog {
  public:
    ~FrmAbout() override {
        if (titleFont_) DeleteObject(titleFont_);
    }

  protected:
    void build() override {
        using namespace about;
        // The program's icon, else the system's for a program.
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
        HWND pic = add(L"STATIC", "", SS_ICON | SS_CENTERIMAGE, picIcon, Px(270), Px(240), Px(540),
                       Px(540));
        SendMessageW(pic, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        SetWindowPos(pic, nullptr, Px(270), Px(240), Px(540), Px(540),
                     SWP_NOZORDER | SWP_NOACTIVATE); // an icon control takes its icon's size
        const AboutTexts texts = About();
        HWND title = add(L"STATIC", texts.title, SS_LEFT | SS_NOPREFIX, lblTitle, Px(1050), Px(240),
                         Px(3885), Px(480));
        LOGFONTW big{};
        GetObjectW(font(), sizeof big, &big);
        HDC screen = GetDC(nullptr);
        big.lfHeight = -MulDiv(14, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        big.lfWeight = FW_BOLD;
        titleFont_ = CreateFontIndirectW(&big);
        SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
        add(L"STATIC", texts.version, SS_LEFT | SS_NOPREFIX, lblVersion, Px(1050), Px(780),
            Px(3885), Px(225));
        add(L"STATIC", texts.description, SS_LEFT | SS_NOPREFIX, lblDescription, Px(1050), Px(1125),
            Px(3885), Px(1170));
        SetFocus(add(L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, cmdOK, Px(4245), Px(3000),
                     Px(1380), Px(345)));
    }

    // OK, Enter (IDOK) and Esc (IDCANCEL) close it.
    void command(int id, int) override {
        if (id == IDOK || id == IDCANCEL) end(id);
    }

    LRESULT message(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case DM_GETDEFID:
            return MAKELRESULT(about::cmdOK, DC_HASDEFID);
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            // The title and the description in black, whatever the system's text colour.
            const bool black = id == about::lblTitle || id == about::lblDescription;
            SetTextColor(dc, black ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            // An etched separator: a grey line with a white one, two pixels wide, under it.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(handle(), &ps);
            RECT grey{Px(90), Px(2445), Px(5654), Px(2445) + 1};
            RECT white{Px(105), grey.bottom, Px(5654), grey.bottom + 2};
            HBRUSH brush = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
            FillRect(dc, &grey, brush);
            DeleteObject(brush);
            FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            EndPaint(handle(), &ps);
            return 0;
        }
        default:
            return Dialog::message(msg, wp, lp);
        }
    }

  private:
    HFONT titleFont_ = nullptr;
};

} // namespace

void ShowAbout(HWND owner) {
    FrmAbout about;
    about.run(owner, About().caption, Px(5730), Px(3555));
}

} // namespace tokimori
