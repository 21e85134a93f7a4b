#pragma once
// What the core asks the program's message service to show. The windows connect a sink that
// shows a message box; tests connect one that records.

#include <functional>
#include <string>

namespace tokimori {

inline constexpr const char* kAppTitle = "Tokimori";

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

struct MessageRequest {
    std::string text;
    std::string title = kAppTitle;
    MessageIcon icon = MessageIcon::None;
};

using MessageSink = std::function<void(const MessageRequest&)>;

} // namespace tokimori
