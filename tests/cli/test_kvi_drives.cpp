// `kvi drives`, `kvi eject` and how DRIVE is looked up.
#include "RunKvi.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t MiB = 1024 * 1024;

class KviDrives : public ::testing::Test {
protected:
    void SetUp() override
    {
        drives.Add(1, 64 * MiB);
        drives.Add(2, 8192 * MiB, {{"MediaType", "12"}});
        drives.Add(4, 1024 * MiB, {{"MediaType", "12"}});
        drives.Add(5, MiB, {{"NoMedium", "1"}});
        drives.Add(6, 2 * MiB, {{"EjectResult", "0"}});
    }
    SimulatedDrives drives;
};

TEST_F(KviDrives, OneLinePerDriveWithClassCapacityAndAcceptance)
{
    const KviRun run = RunKvi({"drives"}, drives.Dir());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "1\tPhysical Drive 1\tREMOVABLE\t64.00 MB\taccepted\n"
              "2\tPhysical Drive 2\tFIXED\t8.00 GB\tnot accepted\n"
              "4\tPhysical Drive 4\tFIXED\t1.00 GB\taccepted\n"
              "5\tPhysical Drive 5\tNo drive information available.\t-\tnot accepted\n"
              "6\tPhysical Drive 6\tREMOVABLE\t2.00 MB\taccepted\n");
}

struct EjectCase {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string errorPart;
};

TEST_F(KviDrives, EjectExitStatusPerOutcome)
{
    const std::vector<EjectCase> cases = {
        {{"eject", "1"}, "y\n", 0, "Media in drive 'Physical Drive 1' ejected."},
        {{"eject", "PHYSICALDRIVE1"}, "yes\n", 0, "ejected."},
        {{"eject", "1", "--yes"}, "", 0, "ejected."},
        {{"eject", "1"}, "n\n", 3, "[y/N]"},
        {{"eject", "1"}, "\n", 3, "[y/N]"},
        {{"eject", "1"}, "", 3, "(end of input)"},
        {{"eject", "1"}, "perhaps\nno\n", 3, "[y/N] perhaps\n[y/N] no"},
        {{"eject", "6"}, "y\n", 4, "Media in drive 'Physical Drive 6' could not be ejected."},
        {{"eject", "2", "--yes"}, "", 4, "Physical Drive 2: a fixed drive larger than 4096 MB"},
        {{"eject", "5", "--yes"}, "", 4, "Physical Drive 5: No drive information available."},
        {{"eject", "9", "--yes"}, "", 4, "9 is not a listed drive"},
        {{"eject", "/dev/sda", "--yes"}, "", 4, "/dev/sda: simulated drives are named by number"},
    };
    for (const EjectCase& c : cases) {
        const KviRun run = RunKvi(c.args, drives.Dir(), c.input);
        EXPECT_EQ(run.status, c.status) << c.args[1] << " / " << c.input << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errorPart), std::string::npos) << run.err;
    }
}

TEST_F(KviDrives, EjectQuestionCarriesTheWindowsCaptionAndText)
{
    const KviRun run = RunKvi({"eject", "1"}, drives.Dir(), "n\n");
    EXPECT_EQ(run.err, "Korvalith WIN - [Eject media]\nEject media in 'Physical Drive 1'?\n[y/N] n\n");
}

}  // namespace
