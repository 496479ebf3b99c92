#include "ui/ProgressLine.h"

#include "drive/CapacityText.h"

#include <cmath>
#include <cstdio>

namespace {

// Returns bytes as "312 MB", "48.6 MB", "1.02 GB".
std::string ShortSize(double bytes)
{
    const ScaledCapacity scaled = ScaleCapacity(static_cast<int64_t>(std::llround(bytes)));
    const char* format = scaled.value >= 99.95 ? "%.0f %s" : scaled.value >= 9.995 ? "%.1f %s" : "%.2f %s";
    char text[32];
    std::snprintf(text, sizeof text, format, scaled.value, scaled.unit);
    return text;
}

}  // namespace

std::string ProgressLineText(const ProgressReading& reading)
{
    std::string line = ShortSize(static_cast<double>(reading.done)) + " of " + ShortSize(static_cast<double>(reading.total));
    if (reading.rate >= 0)
        line += " \u00b7 " + ShortSize(reading.rate) + "/s";
    if (reading.secondsLeft >= 0)
        line += " \u00b7 " + DurationText(reading.secondsLeft) + " left";
    return line;
}
