// Ctrl-C as the Cancel button.
//
// While an engine run or a question is in progress, SIGINT only leaves a
// request behind: the run takes it at the end of its block (and asks whether
// to abort), a waiting question takes it as No / Cancel. At any other time
// Ctrl-C ends the program as it normally would.
#pragma once

namespace interrupt {

// Installs the SIGINT handler. Returns true when it is in place.
bool Install();

// Returns true once for any number of Ctrl-C presses since the last call.
bool TakeRequest();

// While one of these lives, Ctrl-C leaves a request instead of ending the
// program. They nest.
class Catching {
public:
    Catching();
    ~Catching();
    Catching(const Catching&) = delete;
    Catching& operator=(const Catching&) = delete;
};

}  // namespace interrupt
