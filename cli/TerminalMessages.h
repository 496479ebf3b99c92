// Message boxes on the terminal: the caption and text on standard error,
// then the buttons as a prompt.
//
//   OK only         printed, answers OK without waiting
//   OK and Cancel   "[OK/cancel]": Enter, ok or y answers OK; c, cancel or n Cancel
//   Yes and No      "[y/N]": y or yes answers Yes; Enter, n or no answers No
//
// Answers come from the terminal when standard input is one, otherwise from
// standard input, one line each. End of input and Ctrl-C answer No / Cancel;
// nothing ever answers Yes by default. --yes answers confirmations only:
// whether to go on past a read or write error is answered Yes only with
// --ignore-errors, and whether to image a drive mounted for writing only
// with --mounted-ok; with --yes alone both are answered No.
//
// Texts are printed with their control characters made visible (an image's
// description could otherwise move the cursor or forge lines).
#pragma once

#include "ui/ShowMessage.h"

namespace terminal {

struct MessageOptions {
    bool answerYes = false;     // --yes: confirmations answer Yes / OK
    int inputFd = -1;           // where answers come from; -1 chooses as above
    bool ignoreErrors = false;  // --ignore-errors: go on past read and write errors
    bool mountedOk = false;     // --mounted-ok: image drives mounted for writing
};

// Returns the handler to install with SetMessageHandler.
MessageHandler MakeMessageHandler(const MessageOptions& options);

}  // namespace terminal
