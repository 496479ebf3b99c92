// The command line itself: usage errors, --help, --version.
#include "RunKvi.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

namespace {

struct UsageCase {
    std::vector<std::string> args;
    std::string errorPart;
};

TEST(KviUsage, BadLinesExitWithStatus2AndSayWhy)
{
    SimulatedDrives drives;
    const std::vector<UsageCase> cases = {
        {{}, "no command given"},
        {{"format", "1"}, "unknown command 'format'"},
        {{"eject"}, "usage: kvi eject DRIVE"},
        {{"create", "1"}, "usage: kvi create DRIVE IMAGE"},
        {{"drives", "--check"}, "drives takes no option --check"},
        {{"create", "1", "a.kvi", "--creator"}, "--creator needs a TEXT"},
        {{"create", "1", "a.kvi", "--level"}, "--level needs a N"},
        {{"create", "1", "a.kvi", "--level", "13"}, "--level takes a number from 1 to 12"},
        {{"create", "1", "a.kvi", "--level=0"}, "--level takes a number from 1 to 12"},
        {{"create", "1", "a.kvi", "--level", "fast"}, "--level takes a number from 1 to 12"},
        {{"restore", "a.kvi", "1", "--level", "3"}, "restore takes no option --level"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"info", "a.kvi", "--check=yes"}, "--check takes no TEXT"},
        {{"eject", "x"}, "'x' names no drive"},
        {{"eject", "01"}, "'01' names no drive"},
    };
    for (const UsageCase& c : cases) {
        const KviRun run = RunKvi(c.args, drives.Dir());
        EXPECT_EQ(run.status, 2) << c.errorPart;
        EXPECT_NE(run.err.find(c.errorPart), std::string::npos) << run.err;
    }
}

TEST(KviUsage, VersionLine)
{
    SimulatedDrives drives;
    const KviRun run = RunKvi({"--version"}, drives.Dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "kvi (Korvalith WIN) 1.1 [Build 21112005]\n");
}

TEST(KviUsage, OverviewNamesEveryCommandAndTheExitStatuses)
{
    SimulatedDrives drives;
    const KviRun run = RunKvi({"--help"}, drives.Dir());
    EXPECT_EQ(run.status, 0);
    for (const char* part : {"kvi drives", "info IMAGE [--check]",
                             "create DRIVE IMAGE [--creator TEXT] [--description TEXT]", "restore IMAGE DRIVE",
                             "clone DRIVE", "eject DRIVE", "--yes", "--quiet", "4 any other failure"})
        EXPECT_NE(run.out.find(part), std::string::npos) << part;
}

TEST(KviUsage, CommandHelpWhereverHelpStandsAndWithoutOperands)
{
    SimulatedDrives drives;
    for (const auto& args : std::vector<std::vector<std::string>>{{"create", "--help"}, {"--help", "create"}}) {
        const KviRun run = RunKvi(args, drives.Dir());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("Usage: kvi create DRIVE IMAGE", 0), 0u) << run.out;
        EXPECT_NE(run.out.find("--description TEXT"), std::string::npos);
    }
    const KviRun info = RunKvi({"info", "--help"}, drives.Dir());
    EXPECT_NE(info.out.find("--check"), std::string::npos);
    EXPECT_EQ(info.out.find("DRIVE is"), std::string::npos) << "info names no drive";
}

}  // namespace
