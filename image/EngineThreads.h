// How many threads the image engine uses for compressing and expanding.
#pragma once

// One coding thread per core (the default).
constexpr int ENGINE_THREADS_AUTO = 0;
// No extra threads: the calling thread reads, codes and writes each block
// itself, one after the other.
constexpr int ENGINE_SINGLE_THREAD = -1;

// Sets the coding threads of the runs that start from now on: ENGINE_THREADS_AUTO,
// ENGINE_SINGLE_THREAD, or n > 0 for exactly n threads beside the reader.
// Returns nothing.
void SetEngineThreads(int n);

// Returns the coding threads the next run uses; 0 for single-thread runs.
int EngineCodingThreads();
