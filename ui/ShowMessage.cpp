#include "ui/ShowMessage.h"

namespace {
MessageHandler& Handler()
{
    static MessageHandler handler;
    return handler;
}

MessageKind shownKind = MessageKind::Ordinary;
}  // namespace

int ShowMessage(const std::string& prompt, int buttons, const std::string& title, MessageKind kind)
{
    const MessageHandler handler = Handler();
    const MessageKind outer = shownKind;
    shownKind = kind;
    const int answer = handler ? handler(prompt, buttons, title) : 0;
    shownKind = outer;
    return answer;
}

MessageKind ShownMessageKind()
{
    return shownKind;
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
