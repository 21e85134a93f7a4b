// The help file opened in the system's HTML Help viewer (Tokimori.chm beside this program, as
// beside tokimori.exe), and every help window closed again.

#include <gtest/gtest.h>

#include <string>

#include "win/Help.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

// The viewer's visible window, if it has one.
HWND HelpWindow() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND w, LPARAM out) {
            wchar_t name[32] = {};
            GetClassNameW(w, name, 32);
            if (IsWindowVisible(w) && std::wstring(name) == L"HH Parent") {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs the message loop until done() or five seconds have passed.
template <typename Done> bool PumpUntil(Done done) {
    const ULONGLONG end = GetTickCount64() + 5000;
    while (!done() && GetTickCount64() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(20);
    }
    return done();
}

TEST(Help, OpensTheHelpFileAndClosesEveryHelpWindow) {
    ASSERT_EQ(HelpWindow(), nullptr);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    OpenHelp(owner);
    ASSERT_TRUE(PumpUntil([] { return HelpWindow() != nullptr; })) << "no help window";
    EXPECT_EQ(TextOf(HelpWindow()), "Tokimori ヘルプ") << "the help file's own title";
    CloseAllHelp();
    EXPECT_TRUE(PumpUntil([] { return HelpWindow() == nullptr; })) << "a help window stayed";
    DestroyWindow(owner);
}

} // namespace
} // namespace tokimori
