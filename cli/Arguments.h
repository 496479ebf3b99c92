// The kvi command line: a command, its operands, its own options and the
// global options, which may stand anywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct CommandDefinition {
    const char* name;
    const char* synopsis;     // "create DRIVE IMAGE [--creator TEXT] [--description TEXT] [--level N]"
    const char* summary;      // one line for the overview
    const char* help;         // the rest of `kvi COMMAND --help`
    size_t operands;          // exactly this many
    std::vector<std::string> flags;         // options without a value
    std::vector<std::string> valueOptions;  // options taking TEXT
};

// Returns the commands in the order the overview lists them.
const std::vector<CommandDefinition>& Commands();

// Returns the description of command `name`, or nullptr.
const CommandDefinition* FindCommand(const std::string& name);

struct Arguments {
    std::string command;                // "" when only --help or --version was given
    std::vector<std::string> operands;
    bool yes = false;
    bool ignoreErrors = false;
    bool mountedOk = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool check = false;
    bool noVerify = false;              // restore and clone: no read-back
    std::optional<std::string> creator;
    std::optional<std::string> description;
    std::optional<int> level;           // create's compression level
};

// Returns true with `args` filled from argv[1..]; false with `error` saying
// what is wrong with the line.
bool ParseArguments(const std::vector<std::string>& argv, Arguments& args, std::string& error);

}  // namespace cli
