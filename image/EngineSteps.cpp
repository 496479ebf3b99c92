#include "image/EngineSteps.h"

#include "drive/PhysicalDrive.h"
#include "ui/Progress.h"
#include "ui/ShowMessage.h"

#include <algorithm>
#include <cmath>

namespace engine {

std::string Caption(const std::string& suffix)
{
    return std::string(PROGRAM_TITLE) + suffix;
}

bool AskedYes(const std::string& prompt, const std::string& caption, MessageKind kind)
{
    return ShowMessage(prompt, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, caption, kind) == IDYES;
}

void ShowFailure(const std::string& reason, const std::string& closing, const std::string& deviceName)
{
    const std::string why = TakeDriveProblemLine(deviceName);
    ShowMessage(reason + (why.empty() ? "" : vbCrLf + why) + vbCrLf + vbCrLf + closing, MB_ICONSTOP,
                Caption(" - [ERROR]"));
}

bool AbortConfirmed(const std::string& question, const std::string& caption)
{
    if (!CurrentProgress().TakeCancelRequest())
        return false;
    const bool confirmed = ShowMessage(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, caption) == IDYES;
    CurrentProgress().AbortAnswered(confirmed);
    return confirmed;
}

void ProgressBar::Update(int64_t done, int64_t total)
{
    const int full = CurrentProgress().BarWidth();
    if (total == 0 || full <= 0)
        return;
    const double value = std::round(static_cast<double>(done) * full / static_cast<double>(total) * 10000.0) / 10000.0;
    if (value == last_)
        return;
    last_ = value;
    // A damaged header may carry a negative size: the bar never leaves its frame.
    const double width = std::clamp(value, 0.0, static_cast<double>(full));
    CurrentProgress().SetBarWidth(static_cast<int>(std::floor(width)));
}

}  // namespace engine
