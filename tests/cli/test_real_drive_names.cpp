// DRIVE given as a /dev path, and the drive list's real-drive columns, on a
// stand-in backend that is not simulated. Existing device nodes stand in for
// the drives, since a path is compared after its links are resolved.
#include "cli/DriveArgument.h"
#include "cli/DriveCommands.h"
#include "platform/DriveBackend.h"

#include <gtest/gtest.h>

namespace {

class FixedHandle : public platform::DriveHandle {
public:
    bool GetGeometry(DISK_GEOMETRY& out) override
    {
        out = {8, MEDIA_TYPE_REMOVABLE, 255, 63, 512};
        return true;
    }
    bool GetLength(int64_t& out) override
    {
        out = 64 * 1048576LL;
        return true;
    }
    bool Eject() override { return false; }
    int64_t Read(void*, size_t) override { return 0; }
    bool WriteAt(const void*, size_t, int64_t) override { return false; }
    bool Flush() override { return false; }
};

// Drives 0 and 2, at /dev/zero and /dev/full.
class RealLikeBackend : public platform::DriveBackend {
public:
    std::vector<platform::DriveRecord> List() override
    {
        platform::DriveRecord zero;
        zero.number = 0;
        zero.devicePath = "/dev/zero";
        zero.vendor = "Generic";
        zero.model = "Card Reader";
        zero.identity.size = 64 * 1048576LL;
        platform::DriveRecord full = zero;
        full.number = 2;
        full.devicePath = "/dev/full";
        full.vendor = "";
        full.model = "Stick";
        return {zero, full};
    }
    std::unique_ptr<platform::DriveHandle> Open(const platform::DriveRecord&, platform::OpenPurpose,
                                                platform::DriveProblem*) override
    {
        return std::make_unique<FixedHandle>();
    }
    bool IsSimulated() const override { return false; }
};

class RealDriveNames : public ::testing::Test {
protected:
    void SetUp() override { platform::SetDriveBackend(std::make_unique<RealLikeBackend>()); }
    void TearDown() override { platform::SetDriveBackend(nullptr); }
};

TEST_F(RealDriveNames, ListedPathsFindTheirDriveOthersAreRefused)
{
    struct Case {
        std::string text;
        cli::DriveLookup lookup;
        std::string deviceName;
    };
    const std::vector<Case> cases = {
        {"/dev/full", cli::DriveLookup::Found, "PHYSICALDRIVE2"},
        {"/dev/../dev/zero", cli::DriveLookup::Found, "PHYSICALDRIVE0"},
        {"2", cli::DriveLookup::Found, "PHYSICALDRIVE2"},
        {"/dev/null", cli::DriveLookup::NotListed, ""},
        {"/dev/no-such-disk", cli::DriveLookup::NotListed, ""},
        {"1", cli::DriveLookup::NotListed, ""},
        {"sda", cli::DriveLookup::Malformed, ""},
    };
    for (const Case& c : cases) {
        DriveEntry entry;
        std::string why;
        EXPECT_EQ(cli::FindDrive(c.text, entry, why), c.lookup) << c.text;
        EXPECT_EQ(entry.DeviceName, c.deviceName) << c.text;
    }
}

TEST_F(RealDriveNames, DriveListShowsPathAndModel)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(cli::RunDrives(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "0\tPhysical Drive 0\t/dev/zero\tGeneric Card Reader\tREMOVABLE\t64.00 MB\taccepted\n"
              "2\tPhysical Drive 2\t/dev/full\tStick\tREMOVABLE\t64.00 MB\taccepted\n");
}

}  // namespace
