// tokimori.exe: the Windows face's program.

#include <windows.h>

#include "win/FrmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    tokimori::FrmMain main;
    if (!main.Form_Load()) return 0;
    ShowWindow(main.handle(), show);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
