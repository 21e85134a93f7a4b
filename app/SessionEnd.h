#pragma once
// The end of the desktop session closes the main window as its close box does, so the window's
// state is saved. On POSIX systems a session's end (or kill) sends SIGTERM; it is turned into an
// ordinary close of the window instead of ending the program on the spot.

class QWidget;

namespace tokimori {

void CloseOnSessionEnd(QWidget* window);

} // namespace tokimori
