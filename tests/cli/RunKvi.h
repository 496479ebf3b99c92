// Runs the real kvi binary as a child process: arguments, the text on its
// standard input, its drives folder; gives back what it printed and its exit
// status.
#pragma once

#include <string>
#include <vector>

struct KviRun {
    int status = -1;  // exit status; 128 + n when killed by signal n
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs kvi with `args` on the simulated drives in `drivesDir`, feeding
// `input` on standard input (then end of input). Returns what happened.
KviRun RunKvi(const std::vector<std::string>& args, const std::string& drivesDir, const std::string& input = "");
