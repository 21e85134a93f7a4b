#pragma once
// The program's help: Tokimori.chm through HTML Help on Windows; elsewhere Tokimori.html (beside
// the program, or the copy built into it) in a help window of the program's own.

#include <QString>

class QWidget;

namespace tokimori {

void OpenHelp(QWidget* owner);
// Closes every help window the program opened.
void CloseAllHelp();
// The program's help window, when one is open (tests).
QWidget* OpenHelpWindow();

// The system's help viewer (Help_win32.cpp, Help_posix.cpp): opens the help file of the
// program's folder there; false when the system has no such viewer or the file is missing.
bool OpenSystemHelp(QWidget* owner, const QString& programFolder);
// Closes every window of the system's viewer that the program opened.
void CloseSystemHelp();

} // namespace tokimori
