// The progress dialog on the terminal: one status line on standard error
// with the percentage, bytes done of the total, the rate and the time left,
// redrawn a few times a second. Ctrl-C is its Cancel button.
#pragma once

#include "cli/Interrupt.h"
#include "ui/Progress.h"

#include <chrono>
#include <memory>

namespace terminal {

class TerminalProgress : public ProgressSink {
public:
    // Draws nothing unless `draw` (standard error is a terminal, no --quiet);
    // Ctrl-C is heard either way.
    explicit TerminalProgress(bool draw);

    void Open(const std::string& info) override;
    void SetBarWidth(int width) override;
    void SetBytes(int64_t done, int64_t total) override;
    bool TakeCancelRequest() override;
    void DoEvents() override;
    void Close() override;

private:
    using Clock = std::chrono::steady_clock;
    bool draw_;
    std::unique_ptr<interrupt::Catching> catching_;
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
    bool drawnOnce_ = false;
};

// Returns the status line for `done` of `total` bytes after `seconds`:
// " 42%  27.00 MB of 64.00 MB  12.3 MB/s  0:03 left".
std::string ProgressText(int64_t done, int64_t total, double seconds);

}  // namespace terminal
