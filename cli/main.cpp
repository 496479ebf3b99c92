// kvi: drive images from the command line, on the window program's engine.
#include "cli/Arguments.h"
#include "cli/DriveCommands.h"
#include "cli/ExitStatus.h"
#include "cli/ImageCommandLine.h"
#include "cli/InfoCommand.h"
#include "cli/Interrupt.h"
#include "cli/StatusLine.h"
#include "cli/TerminalMessages.h"
#include "cli/TerminalProgress.h"
#include "cli/Usage.h"
#include "image/KviCodec.h"
#include "image/ReadBack.h"
#include "platform/udisks/UdisksDriveAccess.h"
#include "settings/Settings.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {
// Returns the exit status of the command the line names.
int Dispatch(const cli::Arguments& args)
{
    const auto& op = args.operands;
    if (args.command == "drives")
        return cli::RunDrives();
    if (args.command == "eject")
        return cli::RunEject(op[0]);
    if (args.command == "info")
        return cli::RunInfo(op[0], args.check);
    if (args.command == "create")
        return cli::RunCreate(op[0], op[1], args.creator.value_or(""), args.description.value_or(""));
    if (args.command == "restore")
        return cli::RunRestore(op[0], op[1]);
    if (args.command == "verify")
        return cli::RunVerify(op[0], op[1]);
    if (args.command == "clone")
        return cli::RunClone(op[0]);
    if (args.command == "convert")
        return cli::RunConvert(op[0], op[1], args.creator.value_or(""), args.description.value_or(""));
    return EXIT_USAGE;
}
}  // namespace

int main(int argc, char** argv)
{
    cli::Arguments args;
    std::string error;
    if (!cli::ParseArguments(std::vector<std::string>(argv, argv + argc), args, error)) {
        statusline::WriteError("kvi: " + error + "\nTry 'kvi --help'.\n");
        return EXIT_USAGE;
    }
    if (args.help) {
        std::fputs(cli::CommandHelpText(args.command).c_str(), stdout);
        return EXIT_COMPLETED;
    }
    if (args.version) {
        std::fputs(cli::VersionText().c_str(), stdout);
        return EXIT_COMPLETED;
    }
    if (args.command == "create" || args.command == "convert")
        if (const std::string problem = cli::HeaderTextsProblem(args.operands[1], args.creator || args.description);
            !problem.empty()) {
            statusline::WriteError("kvi: " + problem + "\nTry 'kvi " + args.command + " --help'.\n");
            return EXIT_USAGE;
        }

    // D-Bus (udisks2, for users without root) wants an application object.
    QCoreApplication application(argc, argv);
    platform::InstallUdisksAccess();
    if (args.level)
        SetKviLevel(*args.level);
    SetVerifyAfterRestore(!args.noVerify);
    LoadSettings();
    interrupt::Install();
    SetMessageHandler(terminal::MakeMessageHandler({args.yes, -1, args.ignoreErrors, args.mountedOk}));
    terminal::TerminalProgress progress(!args.quiet && ::isatty(STDERR_FILENO));
    SetProgressSink(&progress);

    const int status = Dispatch(args);

    SetProgressSink(nullptr);
    statusline::End();
    return status;
}
