#include "ui/ProgressMeter.h"

#include <cstdio>

namespace {
// Samples closer together than this are not kept: the window then holds a
// few dozen of them, however fast blocks pass.
constexpr double kSampleSeconds = 0.1;

double Seconds(ProgressMeter::Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}
}  // namespace

void ProgressMeter::Start(const std::string& phase, int64_t total, Clock::time_point now)
{
    phase_ = phase;
    total_ = total;
    started_ = now;
    drawnOnce_ = false;
    samples_.assign(1, Sample{now, 0});
}

ProgressReading ProgressMeter::Update(int64_t done, Clock::time_point now)
{
    ProgressReading reading;
    reading.phase = phase_;
    reading.done = done;
    reading.total = total_;
    reading.elapsed = Seconds(now - started_);
    const bool finished = done >= total_;

    if (Seconds(now - samples_.back().at) >= kSampleSeconds)
        samples_.push_back({now, done});
    // Keep one sample at or before the window's start as the base.
    while (samples_.size() > 1 && Seconds(now - samples_[1].at) >= kRateWindowSeconds)
        samples_.pop_front();

    if (finished && reading.elapsed > 0) {
        reading.rate = static_cast<double>(done) / reading.elapsed;
    } else if (reading.elapsed >= kSettleSeconds && done > 0) {
        const Sample& base = samples_.front();
        const double span = Seconds(now - base.at);
        if (span > 0)
            reading.rate = static_cast<double>(done - base.done) / span;
    }
    if (finished)
        reading.secondsLeft = 0;
    else if (reading.rate > 0)
        reading.secondsLeft = static_cast<int64_t>(static_cast<double>(total_ - done) / reading.rate + 0.5);

    reading.redraw = !drawnOnce_ || finished || Seconds(now - lastDrawn_) >= kRedrawSeconds;
    if (reading.redraw) {
        drawnOnce_ = true;
        lastDrawn_ = now;
    }
    return reading;
}

std::string DurationText(int64_t seconds)
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
