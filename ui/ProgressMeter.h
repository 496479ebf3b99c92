// The progress meter of a long operation: bytes done of the total, the time
// since the phase began, the rate over the last few seconds (not since the
// start, so a drive that slows down shows it soon) and the time left. The
// engine feeds it once per block; the window's dialog and kvi's status line
// draw its readings, each in its own way.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

struct ProgressReading {
    std::string phase;         // "Creating", "Restoring"
    int64_t done = 0;          // bytes done
    int64_t total = 0;         // bytes in all
    double elapsed = 0;        // seconds since the phase began
    double rate = -1;          // bytes per second lately; < 0 while not yet known
    int64_t secondsLeft = -1;  // < 0 while not known
    bool redraw = true;        // displays that redraw a few times a second draw this one
};

class ProgressMeter {
public:
    using Clock = std::chrono::steady_clock;

    // The rate is taken over this many seconds back from the latest block.
    static constexpr double kRateWindowSeconds = 5.0;
    // Before this much time the rate says nothing yet.
    static constexpr double kSettleSeconds = 0.5;
    // Readings are marked for drawing at most this often (and always the last).
    static constexpr double kRedrawSeconds = 0.25;

    // Starts a phase of `total` bytes at `now`. Returns nothing.
    void Start(const std::string& phase, int64_t total, Clock::time_point now = Clock::now());

    // Returns the reading once `done` bytes are through at `now`. Once the
    // total is reached, the rate is that of the whole phase.
    ProgressReading Update(int64_t done, Clock::time_point now = Clock::now());

private:
    struct Sample {
        Clock::time_point at;
        int64_t done;
    };

    std::string phase_;
    int64_t total_ = 0;
    Clock::time_point started_{};
    Clock::time_point lastDrawn_{};
    bool drawnOnce_ = false;
    std::deque<Sample> samples_;  // a few per second, back to the window's start
};

// Returns a duration as "m:ss", or "h:mm:ss" from an hour on: "0:15", "2:16:31".
std::string DurationText(int64_t seconds);
