// How a long operation shows its progress and hears Cancel.
//
// The image engine drives whatever sink is installed: the window's progress
// dialog, the terminal, or a test's recorder. All calls come from the thread
// that runs the operation.
#pragma once

#include "ui/ProgressMeter.h"

#include <cstdint>
#include <string>

class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // Shows the dialog with the operation's text, the bar at 0 and Cancel
    // available, then lets pending events through once.
    virtual void Open(const std::string& info) = 0;

    // A new stage of the same operation begins (the restore's check of the
    // drive): shows its text where the operation's text stood.
    virtual void ChangeInfo(const std::string& /*info*/) {}

    // The full width of the display's bar, in the steps it moves by (the
    // dialog's pixels); 0 for a display without a bar, which then is never
    // told a width.
    virtual int BarWidth() const { return 0; }

    // Sets the bar's width, 0 to BarWidth().
    virtual void SetBarWidth(int width) = 0;

    // Told once per block: the meter's reading (bytes done of the total,
    // rate, time left). Displays that show more than the bar draw it when
    // its `redraw` is set; by default the bytes go on to SetBytes.
    virtual void SetReading(const ProgressReading& reading) { SetBytes(reading.done, reading.total); }

    // Told once per block, through the default SetReading: drive bytes done
    // of the total.
    virtual void SetBytes(int64_t /*done*/, int64_t /*total*/) {}

    // Returns true when Cancel was pressed since the last call, and clears
    // the request: two presses before a poll make one request.
    virtual bool TakeCancelRequest() = 0;

    // Told how the abort question that a Cancel request led to was answered.
    virtual void AbortAnswered(bool /*aborted*/) {}

    // Lets pending events through once.
    virtual void DoEvents() = 0;

    // Takes the dialog away.
    virtual void Close() = 0;
};

// The installed sink; a silent one when none is installed.
ProgressSink& CurrentProgress();

// Installs a sink (not owned) and returns the one it replaces; nullptr
// restores the silent one.
ProgressSink* SetProgressSink(ProgressSink* sink);
