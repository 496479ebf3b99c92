// The terminal pieces in-process: answers to questions, Ctrl-C, the
// progress line.
#include "cli/Interrupt.h"
#include "cli/PrintableText.h"
#include "cli/TerminalMessages.h"
#include "cli/TerminalProgress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int YES_NO = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;
constexpr int OK_CANCEL = MB_OKCANCEL | MB_ICONINFORMATION;

// A pipe holding `input`, closed for writing: its reader sees `input`, then
// end of input.
class Input {
public:
    explicit Input(const std::string& input)
    {
        EXPECT_EQ(::pipe(fds_), 0);
        EXPECT_EQ(::write(fds_[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        ::close(fds_[1]);
    }
    ~Input() { ::close(fds_[0]); }
    int Fd() const { return fds_[0]; }
    std::string Rest() const
    {
        std::string rest;
        char c;
        while (::read(fds_[0], &c, 1) == 1)
            rest += c;
        return rest;
    }

private:
    int fds_[2] = {-1, -1};
};

int Answer(const std::string& input, int buttons, bool answerYes = false)
{
    Input in(input);
    return terminal::MakeMessageHandler({answerYes, in.Fd()})("Question?", buttons, "Korvalith WIN - [Test]");
}

struct AnswerCase {
    std::string input;
    int buttons;
    int answer;
};

TEST(TerminalMessages, AnswersFromInputLines)
{
    const std::vector<AnswerCase> cases = {
        {"y\n", YES_NO, IDYES},         {"YES\n", YES_NO, IDYES},       {"n\n", YES_NO, IDNO},
        {"\n", YES_NO, IDNO},           {"", YES_NO, IDNO},             {"ok\ny\n", YES_NO, IDYES},
        {"maybe\n", YES_NO, IDNO},      {"y", YES_NO, IDYES},           {"\n", OK_CANCEL, IDOK},
        {"ok\n", OK_CANCEL, IDOK},      {"cancel\n", OK_CANCEL, IDCANCEL}, {"", OK_CANCEL, IDCANCEL},
        {"y\n", MB_ICONSTOP, IDOK},
    };
    for (const AnswerCase& c : cases)
        EXPECT_EQ(Answer(c.input, c.buttons), c.answer) << "'" << c.input << "' to " << c.buttons;
}

TEST(TerminalMessages, OkOnlyBoxAndYesToAllReadNothing)
{
    Input in("n\n");
    const MessageHandler tell = terminal::MakeMessageHandler({false, in.Fd()});
    EXPECT_EQ(tell("Done.", MB_ICONINFORMATION, "t"), IDOK);
    const MessageHandler yes = terminal::MakeMessageHandler({true, in.Fd()});
    EXPECT_EQ(yes("Sure?", YES_NO, "t"), IDYES);
    EXPECT_EQ(yes("Swap?", OK_CANCEL, "t"), IDOK);
    EXPECT_EQ(in.Rest(), "n\n");
}

TEST(Interrupt, CtrlCDuringARunIsOneCancelRequest)
{
    ASSERT_TRUE(interrupt::Install());
    terminal::TerminalProgress progress(false);
    progress.Open("Creating");
    std::raise(SIGINT);
    std::raise(SIGINT);
    EXPECT_TRUE(progress.TakeCancelRequest());
    EXPECT_FALSE(progress.TakeCancelRequest());
    progress.Close();
}

TEST(Interrupt, CtrlCWhileTheQuestionWaitsAnswersNo)
{
    ASSERT_TRUE(interrupt::Install());
    terminal::TerminalProgress progress(false);
    progress.Open("Creating");
    std::raise(SIGINT);
    Input in("y\n");
    EXPECT_EQ(terminal::MakeMessageHandler({false, in.Fd()})("Abort image creation?", YES_NO, "t"), IDNO);
    EXPECT_FALSE(progress.TakeCancelRequest()) << "the question took the Ctrl-C";
    EXPECT_EQ(in.Rest(), "y\n");
    progress.Close();
}

struct ProgressCase {
    int64_t done, total;
    double seconds;
    std::string text;
};

TEST(TerminalProgress, LineShowsPercentBytesRateAndTimeLeft)
{
    constexpr int64_t MiB = 1048576;
    const std::vector<ProgressCase> cases = {
        {0, 64 * MiB, 0.0, "  0%  0.00 kB of 64.00 MB  --.- MB/s  --:-- left"},
        {32 * MiB, 64 * MiB, 2.0, " 50%  32.00 MB of 64.00 MB  16.0 MB/s  0:02 left"},
        {MiB, 8192 * MiB, 1.0, "  0%  1.00 MB of 8.00 GB  1.0 MB/s  2:16:31 left"},
        {64 * MiB, 64 * MiB, 4.0, "100%  64.00 MB of 64.00 MB  16.0 MB/s  0:00 left"},
    };
    for (const ProgressCase& c : cases)
        EXPECT_EQ(terminal::ProgressText(c.done, c.total, c.seconds), c.text);
}

TEST(TerminalProgress, LineNamesThePhaseOfTheMeter)
{
    ProgressReading reading;
    reading.phase = "Restoring";
    reading.done = 32 * 1048576;
    reading.total = 64 * 1048576;
    reading.rate = 16.0 * 1048576;
    reading.secondsLeft = 2;
    EXPECT_EQ(terminal::ProgressText(reading), "Restoring   50%  32.00 MB of 64.00 MB  16.0 MB/s  0:02 left");
}

}  // namespace

namespace {
TEST(TerminalText, ControlCharactersAreShownNotObeyed)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"two\nlines\ttab", "two\nlines\\x09tab"},
        {"\r\x1b[2K\x07\x7f", "\\x0d\\x1b[2K\\x07\\x7f"},
        {"J\xc3\xbcrgen \xe2\x80\x94 ok", "J\xc3\xbcrgen \xe2\x80\x94 ok"},  // UTF-8 stays
        {"\xc2\x9b" "31m", "\\u009b31m"},                                  // C1 as UTF-8
        {"\x9b" "31m\xff", "\\x9b31m\\xff"},                             // lone bytes
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(terminal::Printable(text), shown);
}
}  // namespace
