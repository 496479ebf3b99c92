#include "cli/TerminalProgress.h"

#include "cli/StatusLine.h"
#include "drive/CapacityText.h"

#include <cstdio>

namespace terminal {

std::string ProgressText(const ProgressReading& reading)
{
    const int percent = reading.total > 0
                            ? static_cast<int>(static_cast<double>(reading.done) * 100.0 / static_cast<double>(reading.total))
                            : 0;
    char head[16];
    std::snprintf(head, sizeof head, "%3d%%", percent);
    std::string text = (reading.phase.empty() ? "" : reading.phase + "  ") + head + "  " +
                       FormatCapacity(ScaleCapacity(reading.done)) + " of " + FormatCapacity(ScaleCapacity(reading.total));
    if (reading.rate < 0)
        return text + "  --.- MB/s  --:-- left";
    char rateText[32];
    std::snprintf(rateText, sizeof rateText, "  %.1f MB/s", reading.rate / 1048576.0);
    return text + rateText + "  " + (reading.secondsLeft < 0 ? "--:--" : DurationText(reading.secondsLeft)) + " left";
}

std::string ProgressText(int64_t done, int64_t total, double seconds)
{
    ProgressMeter meter;
    const auto start = ProgressMeter::Clock::time_point{};
    meter.Start("", total, start);
    return ProgressText(meter.Update(done, start + std::chrono::duration_cast<ProgressMeter::Clock::duration>(
                                                     std::chrono::duration<double>(seconds))));
}

TerminalProgress::TerminalProgress(bool draw) : draw_(draw) {}

void TerminalProgress::Open(const std::string& info)
{
    catching_ = std::make_unique<interrupt::Catching>();
    interrupt::TakeRequest();  // a Ctrl-C from before the run is no Cancel
    if (draw_)
        statusline::WriteError(info + "\n");
}

void TerminalProgress::ChangeInfo(const std::string& info)
{
    if (!draw_)
        return;
    statusline::End();
    statusline::WriteError(info + "\n");
}

void TerminalProgress::SetBarWidth(int) {}

void TerminalProgress::SetReading(const ProgressReading& reading)
{
    if (draw_ && reading.redraw)
        statusline::Show(ProgressText(reading));
}

bool TerminalProgress::TakeCancelRequest()
{
    return interrupt::TakeRequest();
}

void TerminalProgress::DoEvents() {}

void TerminalProgress::Close()
{
    statusline::End();
    catching_.reset();
}

}  // namespace terminal
