#include "FaceTest.h"

#include <array>
#include <cstdint>

#include "win/Messages.h"
#include "win/Wide.h"

namespace tokimori::test {

MessageLog::MessageLog() {
    SetMessageResponder([this](const MessageRequest& m) {
        shown.push_back(m);
        return true;
    });
}

MessageLog::~MessageLog() {
    SetMessageResponder({});
}

std::string PhotoPath(const std::string& name) {
    return (PhotosDir() / name).string();
}

std::string WriteText(const TempDir& dir, const std::string& name, const std::string& text) {
    return dir.put(name, Bytes(text.begin(), text.end())).string();
}

bool RunMessages(int ms, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (done && done()) return true;
        if (GetTickCount64() >= end) return done ? done() : true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {
std::function<void()>& Pending() {
    static std::function<void()> f;
    return f;
}
void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto f = std::move(Pending());
    Pending() = nullptr;
    if (f) f();
}
} // namespace

void FromTheLoop(std::function<void()> check, int afterMs) {
    Pending() = std::move(check);
    SetTimer(nullptr, 0, static_cast<UINT>(afterMs), &RunPending);
}

namespace {
Watchdog*& Watching() {
    static Watchdog* w = nullptr;
    return w;
}
} // namespace

Watchdog::Watchdog(HWND window, int ms) : window_(window) {
    Watching() = this;
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(ms), &Watchdog::Fire);
}

Watchdog::~Watchdog() {
    KillTimer(nullptr, timer_);
    Watching() = nullptr;
}

void CALLBACK Watchdog::Fire(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Watchdog* w = Watching();
    if (!w || w->timer_ != id || !IsWindow(w->window_)) return;
    w->fired_ = true;
    SendMessageW(w->window_, WM_CLOSE, 0, 0);
    if (IsWindow(w->window_)) DestroyWindow(w->window_);
}

Rect PlaceOf(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect ClientOf(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void SetClientSize(HWND w, int width, int height) {
    for (int tries = 0; tries < 3; ++tries) { // a menu bar may wrap to a new width
        RECT outer, client;
        GetWindowRect(w, &outer);
        GetClientRect(w, &client);
        const int dw = width - client.right, dh = height - client.bottom;
        if (dw == 0 && dh == 0) return;
        SetWindowPos(w, nullptr, 0, 0, outer.right - outer.left + dw, outer.bottom - outer.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RunMessages(50);
    }
}

namespace {
// The 32 × 32 cells' mean channels.
std::array<double, 32 * 32 * 3> Cells(const Bitmap& b) {
    std::array<double, 32 * 32 * 3> sum{};
    std::array<int, 32 * 32> count{};
    DIBSECTION dib{};
    if (!b || !GetObjectW(b.handle(), sizeof dib, &dib) || !dib.dsBm.bmBits) return sum;
    const auto* px = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    const int w = b.size().width, h = b.size().height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = px[static_cast<size_t>(y) * w + x];
            const int cell = (y * 32 / h) * 32 + x * 32 / w;
            for (int c = 0; c < 3; ++c)
                sum[static_cast<size_t>(cell * 3 + c)] += (p >> (8 * c)) & 0xff;
            ++count[static_cast<size_t>(cell)];
        }
    for (size_t i = 0; i < sum.size(); ++i)
        if (count[i / 3]) sum[i] /= count[i / 3];
    return sum;
}
} // namespace

double Distance(const Bitmap& a, const Bitmap& b) {
    if (!a || !b) return 255;
    const auto x = Cells(a), y = Cells(b);
    double d = 0;
    for (size_t i = 0; i < x.size(); ++i)
        d += std::abs(x[i] - y[i]);
    return d / static_cast<double>(x.size());
}

} // namespace tokimori::test
