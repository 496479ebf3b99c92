#include "ui/ShowMessage.h"

namespace {
MessageHandler& Handler()
{
    static MessageHandler handler;
    return handler;
}
}  // namespace

int ShowMessage(const std::string& prompt, int buttons, const std::string& title)
{
    const MessageHandler handler = Handler();
    return handler ? handler(prompt, buttons, title) : 0;
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
