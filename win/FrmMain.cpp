#include "win/FrmMain.h"

#include "view/About.h"
#include "win/Wide.h"

namespace tokimori {

namespace {
constexpr wchar_t kClass[] = L"TokimoriFrmMain";
} // namespace

FrmMain::FrmMain() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FrmMain::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
}

FrmMain::~FrmMain() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FrmMain::Form_Load() {
    hwnd_ =
        CreateWindowExW(0, kClass, W(MainCaption()).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 849, 504, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

HWND FrmMain::control(const std::string& name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

LRESULT CALLBACK FrmMain::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = w;
    }
    auto* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    return self ? self->handle(msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

LRESULT FrmMain::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DESTROY:
        hwnd_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

} // namespace tokimori
