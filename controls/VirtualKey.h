#pragma once
// Key codes as the system's virtual keys number them (Escape 27, Enter 13, Shift 16, F1 112, the
// letters and digits by their upper-case character), which the button's key events carry.

#include <Qt>

namespace tokimori {

// The virtual-key code of a Qt key; keys on the numeric keypad (KeypadModifier) get the keypad
// codes. 0 for a key the system has no code for.
short VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace tokimori
