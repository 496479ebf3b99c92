#include "cli/TerminalMessages.h"

#include "cli/Interrupt.h"
#include "cli/PrintableText.h"
#include "cli/StatusLine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace terminal {

namespace {

enum class LineResult { Line, EndOfInput, Interrupted };

// Returns Line with one line (without its line feed) read byte by byte, so
// nothing meant for the next question is swallowed; EndOfInput at the end
// with nothing read; Interrupted when Ctrl-C came first.
LineResult ReadAnswerLine(int fd, std::string& line)
{
    interrupt::Catching catching;
    line.clear();
    while (true) {
        if (interrupt::TakeRequest())
            return LineResult::Interrupted;
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return line.empty() ? LineResult::EndOfInput : LineResult::Line;
        if (c == '\n')
            return LineResult::Line;
        line += c;
    }
}

std::string Normalized(const std::string& text)
{
    std::string s;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Message lines are joined with CR LF; the terminal wants line feeds.
std::string TerminalText(const std::string& prompt)
{
    return Printable(WithoutCarriageReturns(prompt));
}

struct Question {
    const char* prompt;
    int yes;          // the positive answer
    int no;           // the negative answer, also for end of input and Ctrl-C
    bool enterIsYes;  // OK is the default button of an OK/Cancel box
};

// Returns the answer for one line, or 0 when the line means nothing.
int Interpret(const Question& q, const std::string& line)
{
    const std::string a = Normalized(line);
    if (a.empty())
        return q.enterIsYes ? q.yes : q.no;
    if (a == "y" || a == "yes")
        return q.yes;
    if (a == "n" || a == "no")
        return q.no;
    // OK and Cancel boxes also take their buttons' own names.
    if (q.enterIsYes && a == "ok")
        return q.yes;
    if (q.enterIsYes && (a == "c" || a == "cancel"))
        return q.no;
    return 0;
}

// Returns the descriptor answers are read from.
int InputFd(int chosen)
{
    if (chosen >= 0)
        return chosen;
    if (::isatty(STDIN_FILENO)) {
        static const int tty = ::open("/dev/tty", O_RDONLY | O_CLOEXEC);
        if (tty >= 0)
            return tty;
    }
    return STDIN_FILENO;
}

// Returns the answer a command-line option gives to the question being
// shown, or 0 when the user is to be asked.
int AnswerByOption(const Question& q, const MessageOptions& options)
{
    auto answered = [&q](int answer, const std::string& why) {
        statusline::WriteError(std::string(q.prompt) + " " + (answer == q.yes ? (q.yes == IDOK ? "ok" : "yes") : "no") +
                               " (" + why + ")\n");
        return answer;
    };
    // Questions that --yes does not answer Yes: each has an option of its own.
    struct Special {
        MessageKind kind;
        bool given;
        const char* option;
        const char* refusal;
    };
    const Special specials[] = {
        {MessageKind::IgnoreError, options.ignoreErrors, "--ignore-errors", "--yes does not ignore errors"},
        {MessageKind::ImageMountedDrive, options.mountedOk, "--mounted-ok",
         "--yes does not image a drive mounted for writing"},
    };
    for (const Special& special : specials) {
        if (ShownMessageKind() != special.kind)
            continue;
        if (special.given)
            return answered(q.yes, special.option);
        if (options.answerYes)
            return answered(q.no, std::string(special.refusal) + "; add " + special.option + " for that");
        return 0;
    }
    return options.answerYes ? answered(q.yes, "--yes") : 0;
}

int Ask(const Question& q, const MessageOptions& options)
{
    if (const int answer = AnswerByOption(q, options))
        return answer;
    const int fd = InputFd(options.inputFd);
    const bool echo = !::isatty(fd);
    while (true) {
        statusline::WriteError(std::string(q.prompt) + " ");
        std::string line;
        switch (ReadAnswerLine(fd, line)) {
        case LineResult::Interrupted:
            statusline::WriteError("\n");
            return q.no;
        case LineResult::EndOfInput:
            statusline::WriteError("(end of input)\n");
            return q.no;
        case LineResult::Line:
            break;
        }
        // Answers taken from a pipe or file are shown, so a log reads like
        // the dialogue it was.
        if (echo)
            statusline::WriteError(line + "\n");
        if (const int answer = Interpret(q, line))
            return answer;
    }
}

}  // namespace

MessageHandler MakeMessageHandler(const MessageOptions& options)
{
    return [options](const std::string& prompt, int buttons, const std::string& title) {
        statusline::End();
        statusline::WriteError(title + "\n" + TerminalText(prompt) + "\n");
        switch (buttons & 0x0F) {
        case MB_OK:
            statusline::WriteError("\n");
            return IDOK;
        case MB_OKCANCEL:
            return Ask({"[OK/cancel]", IDOK, IDCANCEL, true}, options);
        case MB_YESNO:
            return Ask({"[y/N]", IDYES, IDNO, false}, options);
        default:
            // No other button set is ever shown; 0 matches no answer a
            // caller tests for.
            return 0;
        }
    };
}

}  // namespace terminal
