#include "cli/TerminalProgress.h"

#include "cli/StatusLine.h"
#include "drive/CapacityText.h"

#include <cstdio>

namespace terminal {

namespace {
// Redraws at most this often; the last block is always drawn.
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
// Before this much time the rate says nothing yet.
constexpr double kRateSettleSeconds = 0.5;

std::string TimeText(int64_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return text;
}
}  // namespace

std::string ProgressText(int64_t done, int64_t total, double seconds)
{
    const int percent = total > 0 ? static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total)) : 0;
    char head[16];
    std::snprintf(head, sizeof head, "%3d%%", percent);
    std::string text = std::string(head) + "  " + FormatCapacity(ScaleCapacity(done)) + " of " +
                       FormatCapacity(ScaleCapacity(total));
    // The last line always shows the rate of the whole run.
    if ((seconds < kRateSettleSeconds && done < total) || done <= 0 || seconds <= 0)
        return text + "  --.- MB/s  --:-- left";
    const double rate = static_cast<double>(done) / seconds;
    char rateText[32];
    std::snprintf(rateText, sizeof rateText, "  %.1f MB/s", rate / 1048576.0);
    const int64_t left = total > done ? static_cast<int64_t>(static_cast<double>(total - done) / rate + 0.5) : 0;
    return text + rateText + "  " + TimeText(left) + " left";
}

TerminalProgress::TerminalProgress(bool draw) : draw_(draw) {}

void TerminalProgress::Open(const std::string& info)
{
    catching_ = std::make_unique<interrupt::Catching>();
    interrupt::TakeRequest();  // a Ctrl-C from before the run is no Cancel
    started_ = Clock::now();
    drawnOnce_ = false;
    if (draw_)
        statusline::WriteError(info + "\n");
}

void TerminalProgress::SetBarWidth(int) {}

void TerminalProgress::SetBytes(int64_t done, int64_t total)
{
    if (!draw_)
        return;
    const auto now = Clock::now();
    if (drawnOnce_ && now - lastDrawn_ < kRedrawInterval && done < total)
        return;
    drawnOnce_ = true;
    lastDrawn_ = now;
    statusline::Show(ProgressText(done, total, std::chrono::duration<double>(now - started_).count()));
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
