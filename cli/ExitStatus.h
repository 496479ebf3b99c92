// What kvi tells the shell when it ends.
#pragma once

#include <cstdint>

constexpr int EXIT_COMPLETED = 0;    // the run completed
constexpr int EXIT_ENDED_EARLY = 1;  // the run ended early (cancelled, medium ended, ...)
constexpr int EXIT_USAGE = 2;        // the command line was wrong
constexpr int EXIT_DECLINED = 3;     // the user declined the first question
constexpr int EXIT_FAILED = 4;       // anything else: engine failure, drive refused, bad image

// Returns the exit status for an engine result: 1 complete, 0 ended early,
// -1 first question declined, anything else a failure.
constexpr int ExitStatusForResult(int32_t result)
{
    switch (result) {
    case 1:
        return EXIT_COMPLETED;
    case 0:
        return EXIT_ENDED_EARLY;
    case -1:
        return EXIT_DECLINED;
    default:
        return EXIT_FAILED;
    }
}
