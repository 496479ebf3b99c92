// Answers message boxes from a queue and keeps every box shown, in order.
// Installed for its lifetime; the previous handler comes back afterwards.
#pragma once

#include "ui/ShowMessage.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct ShownMessage {
    std::string prompt;
    int buttons = 0;
    std::string title;
    bool operator==(const ShownMessage&) const = default;
};

class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    // Queues the answer for the next box; an action runs while the box is
    // "open", before the answer is given.
    ScriptedMessages& Answer(int button, std::function<void()> whileOpen = {});

    const std::vector<ShownMessage>& Shown() const { return shown_; }
    // Boxes shown with no answer left in the queue (they answered 0).
    int Unanswered() const { return unanswered_; }
    size_t Pending() const { return answers_.size(); }

private:
    struct Queued {
        int button;
        std::function<void()> whileOpen;
    };
    std::deque<Queued> answers_;
    std::vector<ShownMessage> shown_;
    int unanswered_ = 0;
    MessageHandler previous_;
};
