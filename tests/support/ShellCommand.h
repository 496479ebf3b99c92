// Shell commands and mounts, for the tests that set up real devices.
#pragma once

#include <string>

struct CommandResult {
    bool ok = false;
    std::string out;  // standard output, without the final line break
};

// Returns whether the shell command exited with 0, and what it printed;
// its standard error is thrown away.
CommandResult RunCommand(const std::string& command);

// Returns true when `dir` is a mount point of this process's namespace.
bool IsMountPoint(const std::string& dir);
