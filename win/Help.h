#pragma once
// The program's help: Tokimori.chm beside the program, in the system's HTML Help viewer.

#include <windows.h>

namespace tokimori {

// Opens the help file's default topic with owner as the viewer's owner. A missing or unreadable
// file is the viewer's to report, if at all: the program carries on.
void OpenHelp(HWND owner);
// Closes every help window the program opened.
void CloseAllHelp();

} // namespace tokimori
