#include "platform/LinuxDriveBackend.h"

#include "platform/LinuxDriveHandle.h"
#include "platform/LinuxDriveProbe.h"
#include "platform/LinuxDriveRules.h"
#include "platform/Unmount.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// Returns the open() flags for a purpose. Queries do not block on an empty
// card reader, so a reader without a card is still counted and listed; its
// geometry request then fails.
int OpenFlags(OpenPurpose purpose)
{
    switch (purpose) {
    case OpenPurpose::Query:
        return O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    case OpenPurpose::Eject:
        return O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    case OpenPurpose::ReadWhole:
        return O_RDONLY | O_CLOEXEC;
    case OpenPurpose::WriteWhole:
        return O_WRONLY | O_EXCL | O_CLOEXEC;
    }
    return O_RDONLY | O_CLOEXEC;
}

// Returns true when the open file is the block device /sys described: a
// /dev node left over from another device must not be written to.
bool IsExpectedDevice(int fd, const DeviceNumber& dev)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode) && ::major(st.st_rdev) == dev.major &&
           ::minor(st.st_rdev) == dev.minor;
}

// Returns how many entries /sys/block holds: no more drives than that can
// be offered. Listing the folder costs a fraction of a full probe, and the
// drive count tries all 128 numbers every second.
size_t BlockDeviceEntries()
{
    DIR* dir = ::opendir("/sys/block");
    if (!dir)
        return 0;
    size_t count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            ++count;
    ::closedir(dir);
    return count;
}

class LinuxBackend : public DriveBackend {
public:
    // Returns the open drive, or nullptr when the number names no offered
    // drive, the open fails, or (for writing) the drive is still in use.
    std::unique_ptr<DriveHandle> Open(const std::string& devicePath, OpenPurpose purpose) override
    {
        const int n = ParseDevicePath(devicePath);
        if (n < 0 || static_cast<size_t>(n) >= BlockDeviceEntries())
            return nullptr;
        // Probed anew at every open: drives come and go, and a number must
        // always mean what the drive list showed a moment ago.
        const BlockSnapshot snapshot = ProbeBlockDevices();
        const auto drives = ListDrives(snapshot);
        if (static_cast<size_t>(n) >= drives.size())
            return nullptr;
        return OpenBlockDevice(snapshot, *drives[n], purpose);
    }

    // Returns the /dev path, vendor, model and size of drive n, or nothing
    // when there is no such drive.
    std::optional<DriveDescription> Describe(int driveNumber) override
    {
        const BlockSnapshot snapshot = ProbeBlockDevices();
        const auto drives = ListDrives(snapshot);
        if (driveNumber < 0 || static_cast<size_t>(driveNumber) >= drives.size())
            return std::nullopt;
        BlockDisk disk = *drives[driveNumber];
        ProbeDiskIdentity("/", disk);
        DriveDescription d;
        d.devicePath = "/dev/" + disk.name;
        d.vendor = disk.vendor;
        d.model = disk.model;
        d.sizeBytes = disk.sizeBytes;
        return d;
    }

    bool IsSimulated() const override { return false; }
};

}  // namespace

std::unique_ptr<DriveHandle> OpenBlockDevice(const BlockSnapshot& snapshot, const BlockDisk& disk, OpenPurpose purpose)
{
    // The backend only hands over offered disks; checked here again so that
    // no caller can reach the system disk through this door.
    if (!disk.dev || !IsOfferableKind(disk) || HoldsRunningSystem(snapshot, disk))
        return nullptr;
    if (purpose == OpenPurpose::WriteWhole)
        UnmountAll(PlanUnmounts(snapshot, disk));
    const int fd = ::open(("/dev/" + disk.name).c_str(), OpenFlags(purpose));
    if (fd < 0)
        return nullptr;
    if (!IsExpectedDevice(fd, *disk.dev)) {
        ::close(fd);
        return nullptr;
    }
    BlockDisk identified = disk;
    ProbeDiskIdentity("/", identified);
    return MakeLinuxDriveHandle(fd, MediaTypeOf(identified));
}

std::unique_ptr<DriveBackend> MakeLinuxDriveBackend()
{
    return std::make_unique<LinuxBackend>();
}

}  // namespace platform
