#pragma once
// Windows shown modally over their owner: the owner takes no input until the window closes.

#include <windows.h>

namespace tokimori {

// Shows window over owner (which may be none) and runs the thread's messages until window is
// destroyed: owner disabled meanwhile, enabled and active again after. dialogKeys: Tab, Enter
// and Esc work as in a dialog box (Enter presses the default button, Esc cancels).
void RunModal(HWND window, HWND owner, bool dialogKeys);

// Closes a modal window: its owner is enabled first, so that it, not another program's window,
// becomes active, then the window is destroyed.
void EndModal(HWND window);

// Centres an outer size on owner's window (on the screen's work area when there is no owner),
// kept within the work area of owner's screen.
POINT CentredOn(HWND owner, SIZE outer);

} // namespace tokimori
