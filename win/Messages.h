#pragma once
// Every message box of the Windows face goes through here: MessageBoxW, or, in tests, a
// responder that records each message and answers it.

#include <functional>

#include <windows.h>

#include "base/Messages.h"

namespace tokimori {

// Shows m modally over owner; true when the user chose OK.
bool Tell(HWND owner, const MessageRequest& m);

// Replaces the message boxes (tests); an empty responder restores them.
using MessageResponder = std::function<bool(const MessageRequest&)>;
void SetMessageResponder(MessageResponder r);

} // namespace tokimori
