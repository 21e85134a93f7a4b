#include "win/Messages.h"

#include "win/Wide.h"

namespace tokimori {

namespace {
MessageResponder& Responder() {
    static MessageResponder r;
    return r;
}
} // namespace

bool Tell(HWND owner, const MessageRequest& m) {
    if (Responder()) return Responder()(m);
    UINT flags = m.buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    switch (m.icon) {
    case MessageIcon::Critical:
        flags |= MB_ICONERROR;
        break;
    case MessageIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    case MessageIcon::Exclamation:
        flags |= MB_ICONWARNING;
        break;
    case MessageIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case MessageIcon::None:
        break;
    }
    return MessageBoxW(owner, W(m.text).c_str(), W(m.title).c_str(), flags) == IDOK;
}

void SetMessageResponder(MessageResponder r) {
    Responder() = std::move(r);
}

} // namespace tokimori
