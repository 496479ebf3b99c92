#include "image/EngineThreads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {
std::atomic<int> requested{ENGINE_THREADS_AUTO};
// Each coding thread brings two blocks in flight (about 2.2 MiB); a large
// server would gain little speed from more, and spend memory.
constexpr int kMostAutomaticThreads = 16;
}  // namespace

void SetEngineThreads(int n)
{
    requested = n;
}

int EngineCodingThreads()
{
    const int n = requested;
    if (n > 0)
        return n;
    if (n < 0)
        return 0;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMostAutomaticThreads);
}
