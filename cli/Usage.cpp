#include "cli/Usage.h"

#include "cli/Arguments.h"

namespace cli {

namespace {
// The build stamp the window and the image headers carry.
constexpr const char* kBuild = "21112005";

const char* kDriveNote =
    "DRIVE is a drive number (2), a device name (PHYSICALDRIVE2) or, for real drives,\n"
    "the /dev path of a drive that 'kvi drives' lists (/dev/sdc).\n";

const char* kGlobalOptions =
    "Options, anywhere on the line:\n"
    "  --yes            answer Yes (and OK) to every confirmation; not to going on past\n"
    "                   read or write errors, nor to imaging a drive mounted for writing\n"
    "  --ignore-errors  go on past read and write errors (the run then ends 'with error')\n"
    "  --mounted-ok     image a drive even while its filesystems are mounted for writing\n"
    "  --quiet          print no progress\n"
    "  --help           show this help; after a command, the command's help\n"
    "  --version        show the version\n";

const char* kQuestions =
    "Questions are asked on the terminal ([y/N], [OK/cancel]); without a terminal, answers\n"
    "are read from standard input, one per line. End of input answers No / Cancel.\n"
    "Ctrl-C asks whether to abort the run at the end of the current block.\n";

const char* kExitStatus =
    "Exit status: 0 completed, 1 ended early or with errors ignored, 2 bad usage, 3 the\n"
    "first question was declined, 4 any other failure (refused drive, invalid image,\n"
    "engine error).\n";
}  // namespace

std::string OverviewText()
{
    std::string text = "Usage: kvi [--yes] [--ignore-errors] [--mounted-ok] [--quiet] COMMAND [ARGUMENTS]\n\n"
                       "Creates, restores and clones drive images (.kvi, and raw .img images, also compressed)\n"
                       "with the engine of Korvalith WIN.\n\n"
                       "Commands:\n";
    for (const CommandDefinition& definition : Commands()) {
        std::string line = std::string("  ") + definition.synopsis;
        line += line.size() < 24 ? std::string(24 - line.size(), ' ') : "\n" + std::string(24, ' ');
        text += line + definition.summary + "\n";
    }
    return text + "\n" + kDriveNote + "\n" + kGlobalOptions + "\n" + kQuestions + "\n" + kExitStatus;
}

std::string CommandHelpText(const std::string& command)
{
    const CommandDefinition* definition = FindCommand(command);
    if (!definition)
        return OverviewText();
    std::string text = std::string("Usage: kvi ") + definition->synopsis + "\n\n" + definition->help;
    if (std::string(definition->synopsis).find("DRIVE") != std::string::npos)
        text += std::string("\n") + kDriveNote;
    return text + "\n" + kGlobalOptions + "\n" + kExitStatus;
}

std::string VersionText()
{
    return "kvi (Korvalith WIN) " + std::to_string(KORVALITH_VERSION_MAJOR) + "." +
           std::to_string(KORVALITH_VERSION_MINOR) + " [Build " + kBuild + "]\n";
}

}  // namespace cli
