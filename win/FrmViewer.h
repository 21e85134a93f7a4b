#pragma once
// (Stand-in until the viewer lands.)
#include <string>
#include <windows.h>
namespace tokimori {
inline void ShowViewer(HWND, const std::string&) {}
} // namespace tokimori
