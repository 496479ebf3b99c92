// Steps that image creation and image restore share: questions, the error
// box, the progress bar and the Cancel poll.
#pragma once

#include "ui/ShowMessage.h"

#include <cstdint>
#include <string>

namespace engine {

// Returns "Korvalith WIN" followed by the caption suffix, e.g. " - [Create image]".
std::string Caption(const std::string& suffix);

// Asks a destructive yes/no question (308, No preselected) of the given
// kind. Returns true only for an explicit Yes: No, or a box that could not
// be shown, stops.
bool AskedYes(const std::string& prompt, const std::string& caption, MessageKind kind = MessageKind::Ordinary);

// Shows the error box: the reason, then (when an open of the drive
// `deviceName` failed for a reason the user can act on) the line saying
// why, an empty line, the closing line (16).
void ShowFailure(const std::string& reason, const std::string& closing, const std::string& deviceName = {});

// Reads the Cancel request once; when there was one, asks `question` (292).
// Returns true when the user confirmed the abort.
bool AbortConfirmed(const std::string& question, const std::string& caption);

// The bar of the progress dialog, in the steps of the display's BarWidth():
// moves it only when the value kept to four decimals changes.
class ProgressBar {
public:
    // Returns nothing; the bar is left as it is when total is 0.
    void Update(int64_t done, int64_t total);

private:
    double last_ = 0.0;
};

}  // namespace engine
