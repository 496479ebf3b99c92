// What kvi says about itself: --help, COMMAND --help, --version.
#pragma once

#include <string>

namespace cli {

// Returns the overview printed by `kvi --help`.
std::string OverviewText();

// Returns the help of one command, or the overview for an unknown name.
std::string CommandHelpText(const std::string& command);

// Returns "kvi (Korvalith WIN) 1.1 [Build 21112005]".
std::string VersionText();

}  // namespace cli
