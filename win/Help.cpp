#include "win/Help.h"

#include <htmlhelp.h>

#include "base/Paths.h"
#include "view/About.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

// HtmlHelpW from hhctrl.ocx, loaded on first use so that the program imports nothing of it;
// none when the system has no viewer.
using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
HtmlHelpW_t HtmlHelpEntry() {
    static const HtmlHelpW_t entry = [] {
        HMODULE module = LoadLibraryW(L"hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpW_t>(
                            reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")))
                      : nullptr;
    }();
    return entry;
}

} // namespace

void OpenHelp(HWND owner) {
    if (HtmlHelpW_t help = HtmlHelpEntry())
        help(owner, W(HelpFilePath(ProgramFolder())).c_str(), HH_DISPLAY_TOPIC, 0);
}

void CloseAllHelp() {
    if (HtmlHelpW_t help = HtmlHelpEntry()) help(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

} // namespace tokimori
