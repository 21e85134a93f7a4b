#pragma once
// (Stand-in until the About box lands.)
#include <windows.h>
namespace tokimori {
inline void ShowAbout(HWND) {}
} // namespace tokimori
