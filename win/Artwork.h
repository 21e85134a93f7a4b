#pragma once
// (Stand-in until the artwork lands.)
#include <commctrl.h>
#include <windows.h>
namespace tokimori {
inline HICON ProgramIcon() {
    return LoadIconW(nullptr, IDI_APPLICATION);
}
inline HIMAGELIST ToolbarImages() {
    return nullptr;
}
inline HBITMAP RunIcon() {
    return nullptr;
}
inline void PaintGradientBar(HDC dc, const RECT& r) {
    HBRUSH b = CreateSolidBrush(RGB(0x20, 0x40, 0xA0));
    FillRect(dc, &r, b);
    DeleteObject(b);
}
} // namespace tokimori
