#pragma once
// What the core asks the program's message service to show. The windows connect a sink that
// shows a message box; tests connect one that records.

#include <functional>
#include <string>

namespace tokimori {

inline constexpr const char* kAppTitle = "Tokimori";

enum class MessageIcon { None, Critical, Question, Exclamation, Information };
enum class MessageButtons { Ok, OkCancel };

struct MessageRequest {
    std::string text;
    std::string title = kAppTitle;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    bool operator==(const MessageRequest&) const = default;
};

using MessageSink = std::function<void(const MessageRequest&)>;

} // namespace tokimori
