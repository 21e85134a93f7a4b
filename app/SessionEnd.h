#pragma once
// The end of the desktop session closes the main window as its close box does, so the window's
// state is saved. On POSIX systems a session's end (or kill) sends SIGTERM (or SIGHUP); it is
// turned into an ordinary close of the window instead of ending the program on the spot.

class QWidget;

namespace tokimori {

// Call before the window's start-up; a request that comes before the window is shown is kept.
void CloseOnSessionEnd(QWidget* window);

// Whether the session ended before the window was shown (the caller then closes it itself).
bool SessionEndRequested();

} // namespace tokimori
