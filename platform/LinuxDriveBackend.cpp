#include "platform/LinuxDriveBackend.h"

#include "platform/DriveAccess.h"
#include "platform/LinuxDriveHandle.h"
#include "platform/LinuxDriveProbe.h"
#include "platform/LinuxDriveRules.h"
#include "platform/OpenHandles.h"
#include "platform/SyntheticGeometry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// Returns the /sys/block name of a record's disk ("sdc" for "/dev/sdc").
std::string NameOf(const DriveRecord& record)
{
    const std::string prefix = "/dev/";
    return record.devicePath.compare(0, prefix.size(), prefix) == 0 ? record.devicePath.substr(prefix.size())
                                                                    : std::string();
}

uint64_t DeviceOf(const DeviceNumber& dev)
{
    return static_cast<uint64_t>(::makedev(dev.major, dev.minor));
}

// Returns None when a freshly probed disk is the record's disk; otherwise
// why not.
DriveFault CompareProbed(const BlockDisk& disk, const DriveRecord& record)
{
    if (!disk.dev || DeviceOf(*disk.dev) != record.identity.device)
        return DriveFault::Changed;
    // The serial tells two sticks of one size apart where the kernel keeps
    // no disk sequence numbers.
    if (record.identity.diskseq != disk.diskseq || record.identity.size != disk.sizeBytes ||
        record.identity.serial != disk.serial)
        return DriveFault::Changed;
    return DriveFault::None;
}

// Returns None when the open descriptor is the record's disk: the same
// device number, and the disk sequence number and size the kernel gives
// for what is open now. A device node left over from another device, or a
// disk attached anew under the same name, fails.
DriveFault CheckOpenedDisk(int fd, const DriveRecord& record)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode) || static_cast<uint64_t>(st.st_rdev) != record.identity.device)
        return DriveFault::Changed;
    if (record.identity.diskseq) {
        uint64_t seq = 0;
        if (::ioctl(fd, BLKGETDISKSEQ, &seq) != 0) {
            // Older kernels answer through /sys only.
            const auto disk = ProbeOneDisk("/", NameOf(record));
            if (!disk || !disk->diskseq)
                return DriveFault::Changed;
            seq = *disk->diskseq;
        }
        if (seq != *record.identity.diskseq)
            return DriveFault::Changed;
    }
    uint64_t bytes = 0;
    if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0 || static_cast<int64_t>(bytes) != record.identity.size)
        return DriveFault::Changed;
    return DriveFault::None;
}

std::unique_ptr<DriveHandle> Fail(DriveProblem* problem, DriveFault fault, const std::string& detail = {})
{
    if (problem)
        *problem = {fault, detail};
    return nullptr;
}

// Returns the geometry and length of a disk read from /sys, as the device
// would answer its requests: none when the size or sector size is unknown
// or the size is 0 (a reader without a card).
std::unique_ptr<DriveHandle> AnswersOf(const BlockDisk& disk)
{
    if (disk.sizeBytes <= 0 || disk.logicalBlockSize <= 0)
        return MakeAnsweringHandle(std::nullopt, std::nullopt);
    DISK_GEOMETRY g = SynthesizeGeometry(disk.sizeBytes, disk.logicalBlockSize);
    g.MediaType = MediaTypeOf(disk);
    return MakeAnsweringHandle(g, disk.sizeBytes);
}

class LinuxBackend : public DriveBackend {
public:
    // Returns the offered disks of one scan, numbered in drive order.
    std::vector<DriveRecord> List() override
    {
        const BlockSnapshot snapshot = ProbeBlockDevices();
        std::vector<DriveRecord> records;
        for (const BlockDisk* disk : ListDrives(snapshot))
            records.push_back(RecordOfDisk(*disk, static_cast<int>(records.size())));
        return records;
    }

    // Returns the open drive; a query reads /sys only, after checking the
    // disk there is still the record's.
    std::unique_ptr<DriveHandle> Open(const DriveRecord& record, OpenPurpose purpose, DriveProblem* problem) override
    {
        if (purpose != OpenPurpose::Query)
            return OpenBlockDevice(ProbeBlockDevices(), record, purpose, problem);
        const auto disk = ProbeOneDisk("/", NameOf(record));
        if (!disk)
            return Fail(problem, DriveFault::Gone);
        if (const DriveFault fault = CompareProbed(*disk, record); fault != DriveFault::None)
            return Fail(problem, fault);
        return AnswersOf(*disk);
    }

    bool IsSimulated() const override { return false; }

    std::vector<std::string> WritableMounts(const DriveRecord& record) override
    {
        const BlockSnapshot snapshot = ProbeBlockDevices();
        for (const BlockDisk& disk : snapshot.disks)
            if (disk.name == NameOf(record))
                return platform::WritableMounts(snapshot, disk);
        return {};
    }

    bool IsOnDisk(const std::string& path, const DriveRecord& record) override
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return false;
        const BlockSnapshot snapshot = ProbeBlockDevices();
        const auto disks = DisksHolding("/", {::major(st.st_dev), ::minor(st.st_dev)}, snapshot);
        return std::find(disks.begin(), disks.end(), NameOf(record)) != disks.end();
    }
};

}  // namespace

DriveRecord RecordOfDisk(const BlockDisk& disk, int number)
{
    DriveRecord record;
    record.number = number;
    record.devicePath = "/dev/" + disk.name;
    if (disk.dev)
        record.identity.device = DeviceOf(*disk.dev);
    record.identity.diskseq = disk.diskseq;
    record.identity.serial = disk.serial;
    record.identity.size = disk.sizeBytes;
    record.vendor = disk.vendor;
    record.model = disk.model;
    DISK_GEOMETRY g;
    int64_t length = 0;
    auto answers = AnswersOf(disk);
    if (answers->GetGeometry(g))
        record.geometry = g;
    if (answers->GetLength(length))
        record.length = length;
    return record;
}

std::unique_ptr<DriveHandle> OpenBlockDevice(const BlockSnapshot& snapshot, const DriveRecord& record,
                                             OpenPurpose purpose, DriveProblem* problem)
{
    const std::string name = NameOf(record);
    const BlockDisk* disk = nullptr;
    for (const BlockDisk& d : snapshot.disks)
        if (d.name == name)
            disk = &d;
    if (!disk)
        return Fail(problem, DriveFault::Gone);
    if (const DriveFault fault = CompareProbed(*disk, record); fault != DriveFault::None)
        return Fail(problem, fault);
    // The scan only hands over offered disks; checked here again so that no
    // caller can reach the system disk through this door.
    if (!IsOfferableKind(*disk) || HoldsRunningSystem(snapshot, *disk))
        return Fail(problem, DriveFault::NotOffered);
    // A program holding the disk open refuses the write before any of its
    // filesystems is unmounted.
    HolderScan scan;
    if (purpose == OpenPurpose::WriteWhole) {
        scan = FindHolders("/", DevicesOf(*disk));
        if (!scan.holders.empty())
            return Fail(problem, DriveFault::HeldOpen, HoldersText(scan.holders));
        for (const PlannedUnmount& step : PlanUnmounts(snapshot, *disk)) {
            const DriveProblem refused = AccessForUnmounting().Unmount(step.devicePath, step.mountPoint);
            if (refused.fault != DriveFault::None)
                return Fail(problem, refused.fault, refused.detail);
        }
    }
    DriveAccess& access = AccessForOpening(record.devicePath, purpose);
    // udisks2 ejects by name; the disk's identity was checked against /sys.
    if (purpose == OpenPurpose::Eject && !access.EjectNeedsDescriptor())
        return MakeLinuxDriveHandle(-1, MediaTypeOf(*disk), access, record.devicePath);
    const AccessOpen opened = access.OpenDevice(record.devicePath, purpose);
    if (opened.fd < 0)
        return Fail(problem, opened.problem.fault, opened.problem.detail);
    const int fd = opened.fd;
    if (const DriveFault fault = CheckOpenedDisk(fd, record); fault != DriveFault::None) {
        ::close(fd);
        return Fail(problem, fault);
    }
    if (purpose == OpenPurpose::WriteWhole) {
        if (scan.unreadable > 0)
            AddOpenNote(std::to_string(scan.unreadable) + " processes of other users could not be checked for " +
                        "having " + record.devicePath + " open");
    }
    return MakeLinuxDriveHandle(fd, MediaTypeOf(*disk), access, record.devicePath,
                                purpose == OpenPurpose::WriteWhole);
}

std::unique_ptr<DriveBackend> MakeLinuxDriveBackend()
{
    return std::make_unique<LinuxBackend>();
}

}  // namespace platform
