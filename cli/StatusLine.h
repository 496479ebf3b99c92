// The one line of standard error that progress redraws in place. Questions
// and messages end it first, so they never land in the middle of it.
#pragma once

#include <string>

namespace statusline {

// Writes text over the current status line. Returns nothing.
void Show(const std::string& text);

// Moves past the status line, if one is shown, so the next output starts on
// a fresh line. Returns nothing.
void End();

// Writes all of text to standard error. Returns true when it all went out.
bool WriteError(const std::string& text);

}  // namespace statusline
