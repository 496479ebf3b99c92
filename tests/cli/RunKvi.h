// Runs the real kvi binary as a child process: arguments, the text on its
// standard input, its drives folder; gives back what it printed and its exit
// status.
#pragma once

#include <functional>
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

// One answer given while kvi waits: once its standard error holds
// `waitFor`, `action` runs, then `answer` and a line break go to its
// standard input.
struct KviStep {
    std::string waitFor;
    std::function<void()> action;
    std::string answer;
};

// Runs kvi as RunKvi does, answering its questions step by step; end of
// input after the last step. Returns what happened.
KviRun RunKviStepwise(const std::vector<std::string>& args, const std::string& drivesDir,
                      const std::vector<KviStep>& steps);
