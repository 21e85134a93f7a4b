#include "app/Help.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <windows.h>

namespace tokimori {

namespace {
using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
HtmlHelpW_t HtmlHelpEntry() {
    static HtmlHelpW_t entry = [] {
        HMODULE module = LoadLibraryW(L"hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpW_t>(GetProcAddress(module, "HtmlHelpW"))
                      : nullptr;
    }();
    return entry;
}
} // namespace

bool OpenSystemHelp(QWidget* owner, const QString& programFolder) {
    const QString chm = programFolder + "/Tokimori.chm";
    HtmlHelpW_t help = HtmlHelpEntry();
    if (!help || !QFileInfo::exists(chm)) return false;
    help(owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr,
         reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(chm).utf16()), 0 /* default topic */,
         0);
    return true;
}

void CloseSystemHelp() {
    if (HtmlHelpW_t help = HtmlHelpEntry()) help(nullptr, nullptr, 18 /* close all */, 0);
}

} // namespace tokimori
