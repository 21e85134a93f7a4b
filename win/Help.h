#pragma once
// (Stand-in until the help lands.)
#include <windows.h>
namespace tokimori {
inline void OpenHelp(HWND) {}
inline void CloseAllHelp() {}
} // namespace tokimori
