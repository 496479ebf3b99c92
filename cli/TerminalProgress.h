// The progress dialog on the terminal: one status line on standard error
// with the progress meter's phase and figures (bytes done of the total, the
// rate of the last few seconds, the time left), redrawn when the meter says
// so, a few times a second. Ctrl-C is its Cancel button.
#pragma once

#include "cli/Interrupt.h"
#include "ui/Progress.h"

#include <memory>

namespace terminal {

class TerminalProgress : public ProgressSink {
public:
    // Draws nothing unless `draw` (standard error is a terminal, no --quiet);
    // Ctrl-C is heard either way.
    explicit TerminalProgress(bool draw);

    void Open(const std::string& info) override;
    void ChangeInfo(const std::string& info) override;
    void SetBarWidth(int width) override;
    void SetReading(const ProgressReading& reading) override;
    bool TakeCancelRequest() override;
    void DoEvents() override;
    void Close() override;

private:
    bool draw_;
    std::unique_ptr<interrupt::Catching> catching_;
};

// Returns the status line of a reading, its phase first when it has one:
// "Creating   42%  27.00 MB of 64.00 MB  12.3 MB/s  0:03 left".
std::string ProgressText(const ProgressReading& reading);

// Returns the status line of a meter that saw `done` of `total` bytes go
// through evenly in `seconds`.
std::string ProgressText(int64_t done, int64_t total, double seconds);

}  // namespace terminal
