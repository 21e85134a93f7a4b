#include "win/Modal.h"

#include "win/Wide.h"

namespace tokimori {

namespace {
constexpr wchar_t kClass[] = L"TokimoriDialog";
} // namespace

Dialog::~Dialog() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

HFONT Dialog::font() const {
    return font_;
}

int Dialog::run(HWND owner, const std::string& caption, int width, int height) {
    static const ATOM registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Dialog::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        return RegisterClassExW(&wc);
    }();
    (void)registered;
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    font_ = CreateFontIndirectW(&m.lfMessageFont);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT o{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &o);
    const int w = r.right - r.left, h = r.bottom - r.top;
    hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, W(caption).c_str(), style,
                            o.left + (o.right - o.left - w) / 2, o.top + (o.bottom - o.top - h) / 2,
                            w, h, owner, nullptr, GetModuleHandleW(nullptr), this);
    build();
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    if (whenShown) PostMessageW(hwnd_, WM_APP + 100, 0, 0);
    MSG msg;
    while (!done_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return result_;
}

void Dialog::end(int result) {
    result_ = result;
    done_ = true;
}

HWND Dialog::add(const wchar_t* cls, const std::string& text, DWORD style, int id, int x, int y,
                 int w, int h) {
    HWND c = CreateWindowExW(0, cls, W(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return c;
}

LRESULT Dialog::message(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Dialog::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Dialog*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = w;
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    switch (msg) {
    case WM_COMMAND:
        self->command(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_CLOSE:
        self->end(IDCANCEL);
        return 0;
    case WM_APP + 100: // shown, and the loop runs: a test's turn
        if (whenShown) whenShown(w);
        return 0;
    default:
        return self->message(msg, wp, lp);
    }
}

} // namespace tokimori
