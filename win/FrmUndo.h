#pragma once
// The dialog of 元に戻す on Windows: the runs that can be undone, newest first; choosing one asks,
// undoes it and tells what came back.

#include <functional>
#include <string>

#include <windows.h>

namespace tokimori {

// The controls' identifiers (the tests drive them).
enum UndoControl : int { kLstRuns = 201, kCmdUndo, kCmdClose, kLblRuns, kLblEmpty };

// afterUndo runs after each undo (the main window redraws its panel).
void ShowUndo(HWND owner, const std::string& logFolder, const std::function<void()>& afterUndo);

} // namespace tokimori
