#include "win/FrmAbout.h"

#include "view/About.h"
#include "view/Geometry.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

constexpr wchar_t kClass[] = L"TokimoriFrmAbout";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void Register() {
    static const bool done = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)done;
}

// A rectangle of the design, in twips, as pixels.
RECT Pixels(int left, int top, int width, int height) {
    const Rect r = TwipsToPixels(Rect{left, top, width, height});
    return {r.left, r.top, r.right(), r.bottom()};
}

} // namespace

FrmAbout::FrmAbout(HWND owner) : owner_(owner) {
    Register();
    RECT r = Pixels(0, 0, 5730, 3555);
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    const SIZE outer{r.right - r.left, r.bottom - r.top};
    const POINT at = CentredOn(owner, outer);
    hwnd_ = CreateWindowExW(kExStyle, kClass, L"ﾊﾞｰｼﾞｮﾝ情報", kStyle, at.x, at.y, outer.cx,
                            outer.cy, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrmAbout::Proc));

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW big = metrics.lfMessageFont;
    HDC screen = GetDC(nullptr);
    big.lfHeight = -MulDiv(14, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    big.lfWeight = FW_BOLD;
    titleFont_ = CreateFontIndirectW(&big);

    auto add = [&](const char* name, const wchar_t* kind, const wchar_t* text, DWORD style,
                   RECT place, int id) {
        HWND c = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, place.left,
                                 place.top, place.right - place.left, place.bottom - place.top,
                                 hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        controls_[name] = c;
        return c;
    };
    // The program's icon, else the system's for a program.
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!icon_) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
    const RECT iconPlace = Pixels(270, 240, 540, 540);
    HWND picIcon = add("picIcon", L"STATIC", L"", SS_ICON | SS_CENTERIMAGE, iconPlace, 100);
    SendMessageW(picIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    SetWindowPos(picIcon, nullptr, iconPlace.left, iconPlace.top, iconPlace.right - iconPlace.left,
                 iconPlace.bottom - iconPlace.top,
                 SWP_NOZORDER | SWP_NOACTIVATE); // an icon control takes its icon's size
    HWND title = add("lblTitle", L"STATIC", L"ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ", SS_LEFT | SS_NOPREFIX,
                     Pixels(1050, 240, 3885, 480), 101);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
    add("lblVersion", L"STATIC", L"ﾊﾞｰｼﾞｮﾝ", SS_LEFT | SS_NOPREFIX, Pixels(1050, 780, 3885, 225),
        102);
    add("lblDescription", L"STATIC", L"ｱﾌﾟﾘｹｰｼｮﾝの説明", SS_LEFT | SS_NOPREFIX,
        Pixels(1050, 1125, 3885, 1170), 103);
    add("cmdOK", L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, Pixels(4245, 3000, 1380, 345),
        IDOK);
    Form_Load();
}

FrmAbout::~FrmAbout() {
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        EndModal(hwnd_);
    }
    DeleteObject(font_);
    DeleteObject(titleFont_);
}

void FrmAbout::Form_Load() {
    const AboutTexts texts = About();
    SetWindowTextW(hwnd_, W(texts.caption).c_str());
    SetWindowTextW(control("lblTitle"), W(texts.title).c_str());
    SetWindowTextW(control("lblVersion"), W(texts.version).c_str());
    SetWindowTextW(control("lblDescription"), W(texts.description).c_str());
}

HWND FrmAbout::control(const std::string& name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

void FrmAbout::show() {
    SetFocus(control("cmdOK"));
    RunModal(hwnd_, owner_, true);
}

void FrmAbout::cmdOK_Click() {
    if (IsWindow(hwnd_)) EndModal(hwnd_);
}

void FrmAbout::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    // An etched separator: a grey line with a white one, two pixels wide, under it.
    const int end = TwipsToPixels(5654);
    RECT g{TwipsToPixels(90), TwipsToPixels(2445), end, TwipsToPixels(2445) + 1};
    RECT w{TwipsToPixels(105), g.bottom, end, g.bottom + 2};
    HBRUSH greyBrush = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
    FillRect(dc, &g, greyBrush);
    DeleteObject(greyBrush);
    FillRect(dc, &w, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK FrmAbout::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FrmAbout*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    return self ? self->handle(msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

LRESULT FrmAbout::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) cmdOK_Click(); // Enter, Esc, OK
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CLOSE:
        cmdOK_Click();
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        const HWND c = reinterpret_cast<HWND>(lp);
        // The title and the description in black, whatever the system's text colour.
        SetTextColor(dc, c == control("lblTitle") || c == control("lblDescription")
                             ? RGB(0, 0, 0)
                             : GetSysColor(COLOR_BTNTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_PAINT:
        paint();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

} // namespace tokimori
