#pragma once
// The version-information dialog: the program's icon, title, version and description, closed by
// its OK button (Enter and Esc press it). Modal over its owner and centred on it.

#include <windows.h>

namespace tokimori {

namespace about {
// The controls' identifiers, by their design names (the tests read them).
enum Control : int { picIcon = 101, lblTitle, lblVersion, lblDescription, cmdOK = IDOK };
} // namespace about

// Shows the dialog; returns once it is closed.
void ShowAbout(HWND owner);

} // namespace tokimori
