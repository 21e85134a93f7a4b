#include "ui/MessageService.h"

#include <QMessageBox>
#include <QPointer>

namespace tokimori {

namespace {
MessageService::Responder& CurrentResponder() {
    static MessageService::Responder r;
    return r;
}

QMessageBox::Icon BoxIcon(MessageIcon i) {
    switch (i) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

MessageAnswer MessageService::show(QWidget* parent, const Message& m) {
    if (CurrentResponder()) return CurrentResponder()(m);
    QMessageBox box(BoxIcon(m.icon), m.title.isEmpty() ? QString(kAppTitle) : m.title, m.text,
                    m.buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                          : QMessageBox::Ok,
                    parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

MessageAnswer MessageService::show(QWidget* parent, const QString& text, const QString& title,
                                   MessageIcon icon, MessageButtons buttons) {
    return show(parent, Message{text, title, icon, buttons});
}

bool MessageService::ask(QWidget* parent, const MessageRequest& m) {
    return show(parent, QString::fromStdString(m.text), QString::fromStdString(m.title), m.icon,
                m.buttons) == MessageAnswer::Ok;
}

MessageSink MessageService::sinkFor(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const MessageRequest& r) {
        show(owner, QString::fromStdString(r.text), QString::fromStdString(r.title), r.icon);
    };
}

void MessageService::setResponder(Responder r) {
    CurrentResponder() = std::move(r);
}

} // namespace tokimori
