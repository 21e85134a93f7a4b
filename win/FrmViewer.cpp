#include "win/FrmViewer.h"

#include <algorithm>
#include <cmath>

#include <windowsx.h>

#include "base/Messages.h"
#include "view/Fit.h"
#include "view/Names.h"
#include "view/PhotoTexts.h"
#include "win/Messages.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

constexpr wchar_t kClass[] = L"TokimoriFrmViewer";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr int kLine = 16; // pixels a scroll bar's arrow moves

void Register() {
    static const bool done = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)done;
}

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

MONITORINFO MonitorOf(HWND w) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi);
    return mi;
}

// Closes a modal window: its owner is enabled first, so that it, not another program's window,
// becomes active, then the window is destroyed.
void EndModal(HWND window) {
    if (HWND owner = GetWindow(window, GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(window);
}

// Shows window over owner (which may be none) and runs the thread's messages until window is
// destroyed: owner disabled meanwhile, enabled and active again after.
void RunModal(HWND window, HWND owner) {
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG m;
    while (IsWindow(window)) {
        const BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) { // the program is ending: the main loop sees it too
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        if (got < 0) break;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (IsWindow(window)) EndModal(window);
    if (owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

// An outer size centred on owner's window (on the work area when there is none), kept within
// the work area of owner's screen.
POINT CentredOn(HWND owner, SIZE outer) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& work = mi.rcWork;
    RECT around = work;
    if (owner) GetWindowRect(owner, &around);
    LONG x = (around.left + around.right - outer.cx) / 2;
    LONG y = (around.top + around.bottom - outer.cy) / 2;
    x = std::max(work.left, std::min(x, work.right - outer.cx));
    y = std::max(work.top, std::min(y, work.bottom - outer.cy));
    return {x, y};
}

bool IsFile(const std::string& path) {
    const DWORD a = GetFileAttributesW(W(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

FrmViewer::FrmViewer(const std::string& path, HWND owner) : path_(path), owner_(owner) {
    Register();
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, mnuClose, L"閉じる(&C)");
    AppendMenuW(menu, MF_STRING, PhotoOriginSize, L"写真実寸サイズ(&O)");
    // The design client size, centred on the owner.
    RECT r{0, 0, TwipsToPixels(7410), TwipsToPixels(5505)};
    AdjustWindowRectEx(&r, kStyle, TRUE, 0);
    const SIZE outer{r.right - r.left, r.bottom - r.top};
    const POINT at = CentredOn(owner, outer);
    hwnd_ = CreateWindowExW(0, kClass, W(DisplayName(FileNameOf(path))).c_str(), kStyle, at.x, at.y,
                            outer.cx, outer.cy, owner, menu, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrmViewer::Proc));
    Form_Resize();
}

FrmViewer::~FrmViewer() {
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        EndModal(hwnd_);
    }
}

void FrmViewer::reportUnreadable(const std::string& why) {
    failed_ = true;
    decoded_.reset();
    full_.reset();
    Img_Viewer = {};
    InvalidateRect(hwnd_, nullptr, FALSE);
    MessageRequest m;
    m.text = UnreadablePhotoText(path_, why);
    m.icon = MessageIcon::Exclamation;
    Tell(IsWindowVisible(hwnd_) ? hwnd_ : owner_, m);
}

bool FrmViewer::loadPhoto() {
    const PictureHead head = ReadPictureHead(path_);
    if (!head.error.empty() || head.natural.empty()) {
        reportUnreadable(head.error.empty() ? PictureFailureWords(PictureFailure::ZeroSize)
                                            : head.error);
        return false;
    }
    natural_ = head.natural;
    // Decoded once at no more than the screen's size; refits stretch this copy.
    const RECT screen = MonitorOf(hwnd_).rcMonitor;
    const double scale = std::min({1.0, double(screen.right - screen.left) / natural_.width,
                                   double(screen.bottom - screen.top) / natural_.height});
    const PictureSize target{std::max(1, int(std::lround(natural_.width * scale))),
                             std::max(1, int(std::lround(natural_.height * scale)))};
    std::string error;
    decoded_ = DecodePicture(path_, target, &error);
    if (!decoded_) {
        reportUnreadable(error);
        return false;
    }
    failed_ = false;
    Form_Resize();
    return true;
}

void FrmViewer::show() {
    RunModal(hwnd_, owner_);
}

void ShowViewer(HWND owner, const std::string& path) {
    FrmViewer viewer(path, owner);
    if (viewer.loadPhoto()) viewer.show();
}

SIZE FrmViewer::outerSize() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void FrmViewer::Form_Resize() {
    if (realSize_) {
        const SIZE outer = outerSize();
        if (sizing_ || (outer.cx == realSizeOuter_.cx && outer.cy == realSizeOuter_.cy)) {
            layOutRealSize(); // scroll bars coming or going: the photo stays at its real size
            return;
        }
    }
    // Fitting: no scroll bars, the background the whole client area.
    realSize_ = false;
    full_.reset();
    dragging_ = false;
    scrolled_ = {};
    SCROLLINFO none{sizeof none, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    SetScrollInfo(hwnd_, SB_HORZ, &none, TRUE);
    SetScrollInfo(hwnd_, SB_VERT, &none, TRUE);
    RECT c;
    GetClientRect(hwnd_, &c);
    lbl_PicBack = {0, 0, c.right, c.bottom};
    fit();
}

void FrmViewer::fit() {
    if (failed_ || !decoded_) return;
    if (!IsFile(path_)) { // gone since it was opened
        reportUnreadable(PictureFailureWords(PictureFailure::NotFound));
        return;
    }
    Img_Viewer = FitPicture(lbl_PicBack, natural_.width, natural_.height);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void FrmViewer::PhotoOriginSize_Click() {
    if (IsZoomed(hwnd_) || IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE); // only then sizable
    std::string error;
    Bitmap full = DecodePicture(path_, {}, &error);
    if (!full) {
        reportUnreadable(error);
        return;
    }
    full_ = std::move(full);
    realSize_ = true;
    const PictureSize size = full_.size();
    lbl_PicBack = {0, 0, size.width, size.height};
    Img_Viewer = lbl_PicBack;
    scrolled_ = {};
    // The outer size (title bar, menu bar and borders included) becomes the photo's size, but
    // never more than the work area has room for; all of the window on it.
    // Nor so narrow that the menu bar would take two lines.
    RECT now, item;
    GetWindowRect(hwnd_, &now);
    LONG menuWidth = 0;
    if (GetMenuItemRect(hwnd_, GetMenu(hwnd_), GetMenuItemCount(GetMenu(hwnd_)) - 1, &item))
        menuWidth = item.right - now.left + GetSystemMetrics(SM_CXSIZEFRAME) + kLine;
    const RECT work = MonitorOf(hwnd_).rcWork;
    const SIZE outer{std::min<LONG>(std::max<LONG>(size.width, menuWidth), work.right - work.left),
                     std::min<LONG>(size.height, work.bottom - work.top)};
    const LONG x = std::clamp<LONG>(now.left, work.left, work.right - outer.cx);
    const LONG y = std::clamp<LONG>(now.top, work.top, work.bottom - outer.cy);
    sizing_ = true;
    SetWindowPos(hwnd_, nullptr, x, y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    sizing_ = false;
    realSizeOuter_ = outerSize(); // as the window manager granted it
    layOutRealSize();
}

void FrmViewer::layOutRealSize() {
    RECT c;
    GetClientRect(hwnd_, &c);
    const PictureSize canvas = full_.size();
    SCROLLINFO h{
        sizeof h, SIF_RANGE | SIF_PAGE | SIF_POS, 0, canvas.width - 1, UINT(c.right), scrolled_.x,
        0};
    SetScrollInfo(hwnd_, SB_HORZ, &h, TRUE);
    GetClientRect(hwnd_, &c); // a scroll bar may have come and taken room
    SCROLLINFO v{
        sizeof v, SIF_RANGE | SIF_PAGE | SIF_POS, 0, canvas.height - 1, UINT(c.bottom), scrolled_.y,
        0};
    SetScrollInfo(hwnd_, SB_VERT, &v, TRUE);
    scrollTo(scrolled_);
}

void FrmViewer::scrollTo(POINT at) {
    RECT c;
    GetClientRect(hwnd_, &c);
    const PictureSize canvas = full_.size();
    at.x = std::clamp<LONG>(at.x, 0, std::max<LONG>(0, canvas.width - c.right));
    at.y = std::clamp<LONG>(at.y, 0, std::max<LONG>(0, canvas.height - c.bottom));
    scrolled_ = at;
    SCROLLINFO pos{sizeof pos, SIF_POS, 0, 0, 0, at.x, 0};
    SetScrollInfo(hwnd_, SB_HORZ, &pos, TRUE);
    pos.nPos = at.y;
    SetScrollInfo(hwnd_, SB_VERT, &pos, TRUE);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void FrmViewer::mnuClose_Click() {
    if (IsWindow(hwnd_)) EndModal(hwnd_);
}

void FrmViewer::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT c;
    GetClientRect(hwnd_, &c);
    const Bitmap& shown = realSize_ ? full_ : decoded_;
    RECT image{Img_Viewer.left - scrolled_.x, Img_Viewer.top - scrolled_.y,
               Img_Viewer.right() - scrolled_.x, Img_Viewer.bottom() - scrolled_.y};
    // The background around the photo, then the photo.
    const int saved = SaveDC(dc);
    if (shown) ExcludeClipRect(dc, image.left, image.top, image.right, image.bottom);
    FillRect(dc, &c, GetSysColorBrush(COLOR_BTNTEXT));
    RestoreDC(dc, saved);
    if (shown) DrawBitmap(dc, shown, image);
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK FrmViewer::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FrmViewer*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    return self ? self->handle(msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

LRESULT FrmViewer::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) Form_Resize();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == mnuClose) mnuClose_Click();
        if (LOWORD(wp) == PhotoOriginSize) PhotoOriginSize_Click();
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) mnuClose_Click();
        return 0;
    case WM_CLOSE:
        mnuClose_Click();
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        if (!realSize_) return 0;
        const int bar = msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd_, bar, &si);
        int pos = si.nPos;
        switch (LOWORD(wp)) {
        case SB_LINEUP:
            pos -= kLine;
            break;
        case SB_LINEDOWN:
            pos += kLine;
            break;
        case SB_PAGEUP:
            pos -= int(si.nPage);
            break;
        case SB_PAGEDOWN:
            pos += int(si.nPage);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = si.nTrackPos;
            break;
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = si.nMax;
            break;
        }
        scrollTo(bar == SB_HORZ ? POINT{pos, scrolled_.y} : POINT{scrolled_.x, pos});
        return 0;
    }
    case WM_MOUSEWHEEL:
        if (realSize_)
            scrollTo(
                {scrolled_.x, scrolled_.y - GET_WHEEL_DELTA_WPARAM(wp) * 3 * kLine / WHEEL_DELTA});
        return 0;
    case WM_SETCURSOR:
        if (realSize_ && LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZEALL)); // the photo can be dragged
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (realSize_) {
            // At real size the photo can be dragged to scroll it.
            dragging_ = true;
            dragFrom_ = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            scrolledFrom_ = scrolled_;
            SetCapture(hwnd_);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) {
            const POINT now{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; // the client area stays put
            scrollTo(
                {scrolledFrom_.x - (now.x - dragFrom_.x), scrolledFrom_.y - (now.y - dragFrom_.y)});
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragging_) ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

} // namespace tokimori
