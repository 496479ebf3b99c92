// The line the progress dialog shows under its bar, from a reading of the
// progress meter: "312 MB of 1.02 GB · 48.6 MB/s · 0:15 left".
#pragma once

#include "ui/ProgressMeter.h"

#include <string>

// Returns the bytes done of the total, then, once the meter knows them, the
// rate and the time left; sizes to three significant digits in binary
// units (kB, MB, GB as the drive panel counts them).
std::string ProgressLineText(const ProgressReading& reading);
