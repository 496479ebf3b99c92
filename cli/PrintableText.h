// Text from an image or a path on the terminal: every control character is
// shown as an escape (\x1b, \x0d, \u009b), so that a description cannot move
// the cursor, overwrite a line already printed ("Check: complete and
// intact"), ring the bell or set the terminal's title.
#pragma once

#include <string>

namespace terminal {

// Returns `text` with its control characters escaped visibly: C0 controls
// but the line feed, DEL, the C1 range (as UTF-8 or as lone bytes) and any
// byte that is not part of valid UTF-8.
std::string Printable(const std::string& text);

// Returns `text` with every CR LF pair turned into a line feed.
std::string WithoutCarriageReturns(const std::string& text);

}  // namespace terminal
