#pragma once
// The program's help: Tokimori.chm through HTML Help on Windows; elsewhere Tokimori.html (beside
// the program, or the copy built into it) in a help window of the program's own.

class QWidget;

namespace tokimori {

void OpenHelp(QWidget* owner);
// Closes every help window the program opened.
void CloseAllHelp();
// The program's help window, when one is open (tests).
QWidget* OpenHelpWindow();

} // namespace tokimori
