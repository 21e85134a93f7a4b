#pragma once
// Every message box of the program goes through here. The program shows QMessageBoxes; tests
// install a responder that records each message and answers it.

#include <QString>
#include <functional>

#include "base/Messages.h"

class QWidget;

namespace tokimori {

enum class MessageAnswer { Ok, Cancel };

struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class MessageService {
  public:
    using Responder = std::function<MessageAnswer(const Message&)>;

    // Shows the message modally over parent and returns the button the user chose.
    static MessageAnswer show(QWidget* parent, const Message& m);
    static MessageAnswer show(QWidget* parent, const QString& text, const QString& title,
                              MessageIcon icon, MessageButtons buttons = MessageButtons::Ok);

    // A message the presentation layer composed; true when the user chose OK.
    static bool ask(QWidget* parent, const MessageRequest& m);

    // A sink for the core's reports, shown over parent.
    static MessageSink sinkFor(QWidget* parent);

    // Replaces the message boxes (tests); an empty responder restores them.
    static void setResponder(Responder r);
};

} // namespace tokimori
