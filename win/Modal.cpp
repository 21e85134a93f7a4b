#include "win/Modal.h"

#include <algorithm>

namespace tokimori {

void RunModal(HWND window, HWND owner, bool dialogKeys) {
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
        if (dialogKeys && IsDialogMessageW(window, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (IsWindow(window)) EndModal(window);
    if (owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

void EndModal(HWND window) {
    if (HWND owner = GetWindow(window, GW_OWNER)) EnableWindow(owner, TRUE);
    DestroyWindow(window);
}

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

} // namespace tokimori
