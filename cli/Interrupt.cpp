#include "cli/Interrupt.h"

#include <csignal>

namespace interrupt {

namespace {
volatile std::sig_atomic_t catchingDepth = 0;
volatile std::sig_atomic_t requested = 0;

void OnInterrupt(int signal)
{
    if (catchingDepth > 0) {
        requested = 1;
        return;
    }
    // Nothing to cancel: end the way an uncaught Ctrl-C ends a program, so
    // the shell sees the signal.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
}  // namespace

bool Install()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question blocked reading the terminal must wake up.
    action.sa_flags = 0;
    return sigaction(SIGINT, &action, nullptr) == 0;
}

bool TakeRequest()
{
    if (!requested)
        return false;
    requested = 0;
    return true;
}

Catching::Catching()
{
    catchingDepth = catchingDepth + 1;
}

Catching::~Catching()
{
    catchingDepth = catchingDepth - 1;
}

}  // namespace interrupt
