#include "ScriptedMessages.h"

ScriptedMessages::ScriptedMessages()
{
    previous_ = SetMessageHandler([this](const std::string& prompt, int buttons, const std::string& title) {
        shown_.push_back({prompt, buttons, title});
        if (answers_.empty()) {
            ++unanswered_;
            return 0;
        }
        Queued next = std::move(answers_.front());
        answers_.pop_front();
        if (next.whileOpen)
            next.whileOpen();
        return next.button;
    });
}

ScriptedMessages::~ScriptedMessages()
{
    SetMessageHandler(std::move(previous_));
}

ScriptedMessages& ScriptedMessages::Answer(int button, std::function<void()> whileOpen)
{
    answers_.push_back({button, std::move(whileOpen)});
    return *this;
}
