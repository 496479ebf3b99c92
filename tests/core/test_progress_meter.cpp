// The progress meter: the rate of the last few seconds, the time left, and
// how often a reading is worth drawing.
#include "ui/ProgressMeter.h"

#include <gtest/gtest.h>

namespace {

using Clock = ProgressMeter::Clock;
constexpr int64_t MB = 1000000;

Clock::time_point At(double seconds)
{
    return Clock::time_point{} + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Feeds the meter one block every `step` seconds from `from` to `to` at
// `rate` bytes a second, continuing from `done`. Returns the last reading.
ProgressReading Feed(ProgressMeter& meter, int64_t& done, double from, double to, double step, double rate)
{
    ProgressReading last;
    for (double t = from + step; t <= to + 1e-9; t += step) {
        done += static_cast<int64_t>(rate * step);
        last = meter.Update(done, At(t));
    }
    return last;
}

TEST(ProgressMeter, RateFollowsTheLastSecondsNotTheWholeRun)
{
    ProgressMeter meter;
    meter.Start("Restoring", 1000 * MB, At(0));
    int64_t done = 0;
    ProgressReading r = Feed(meter, done, 0, 10, 0.05, 40.0 * MB);
    EXPECT_NEAR(r.rate, 40.0 * MB, 0.5 * MB);
    EXPECT_EQ(r.phase, "Restoring");
    EXPECT_EQ(r.done, 400 * MB);
    EXPECT_NEAR(r.elapsed, 10.0, 1e-6);
    EXPECT_NEAR(static_cast<double>(r.secondsLeft), 600.0 / 40.0, 1.0);

    // The drive slows to a quarter: a few seconds later the rate says so,
    // although the average since the start is still far higher.
    r = Feed(meter, done, 10, 16, 0.05, 10.0 * MB);
    EXPECT_NEAR(r.rate, 10.0 * MB, 0.5 * MB);
    EXPECT_NEAR(static_cast<double>(r.secondsLeft), (1000.0 - 460.0) / 10.0, 2.0);
}

TEST(ProgressMeter, NothingKnownBeforeItSettlesAndTheWholeRateAtTheEnd)
{
    ProgressMeter meter;
    meter.Start("Creating", 100 * MB, At(0));
    const ProgressReading early = meter.Update(10 * MB, At(0.2));
    EXPECT_LT(early.rate, 0);
    EXPECT_LT(early.secondsLeft, 0);

    const ProgressReading none = meter.Update(10 * MB, At(20));
    EXPECT_EQ(none.rate, 0) << "nothing moved for the whole window";
    EXPECT_LT(none.secondsLeft, 0);

    const ProgressReading last = meter.Update(100 * MB, At(25));
    EXPECT_NEAR(last.rate, 4.0 * MB, 1.0) << "the rate of the whole phase";
    EXPECT_EQ(last.secondsLeft, 0);
    EXPECT_TRUE(last.redraw);
}

TEST(ProgressMeter, ReadingsAreDrawnAFewTimesASecondAndTheLastAlways)
{
    ProgressMeter meter;
    meter.Start("Creating", 1000, At(0));
    int drawn = 0;
    for (int ms = 1; ms <= 1000; ++ms)
        drawn += meter.Update(ms - 1, At(ms / 1000.0)).redraw ? 1 : 0;
    EXPECT_GE(drawn, 4);
    EXPECT_LE(drawn, 5);
    EXPECT_TRUE(meter.Update(1000, At(1.0005)).redraw);
}

TEST(ProgressMeter, DurationText)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0:00"}, {15, "0:15"}, {3599, "59:59"}, {3600, "1:00:00"}, {8191, "2:16:31"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(DurationText(seconds), text) << seconds;
}

}  // namespace
