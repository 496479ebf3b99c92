#include "platform/LinuxDriveRules.h"

#include "platform/DriveBackend.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace platform {

namespace {

constexpr int MAX_DRIVES = 128;
// Devices stacked on devices (partition, LVM, encryption, RAID) rarely go
// more than a few levels deep; anything deeper is treated as unknown.
constexpr int MAX_HOLDER_DEPTH = 8;

// Returns true when s begins with prefix.
bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// Returns true for the mount points that make a disk the system's.
bool IsSystemMountPoint(const std::string& path)
{
    // The last four are where live systems keep the medium they booted from,
    // while / itself is an overlay that names no disk.
    static const std::array<std::string, 10> points = {
        "/", "/boot", "/boot/efi", "/usr", "/var", "/home",
        "/run/live/medium", "/cdrom", "/run/initramfs/live", "/run/archiso/bootmnt"};
    return std::find(points.begin(), points.end(), path) != points.end();
}

// Returns true when dev is among devs.
bool Contains(const std::vector<DeviceNumber>& devs, const DeviceNumber& dev)
{
    return std::find(devs.begin(), devs.end(), dev) != devs.end();
}

// The devices the running system lives on; `known` is false when some of
// them could not be told.
struct SystemDevices {
    std::vector<DeviceNumber> devs;
    bool known = true;
};

// Returns the devices mounted at a system mount point or used as swap.
SystemDevices CollectSystemDevices(const BlockSnapshot& snapshot)
{
    SystemDevices system;
    system.known = snapshot.mountsRead && snapshot.swapsRead;
    for (const MountEntry& mount : snapshot.mounts) {
        if (!IsSystemMountPoint(mount.mountPoint))
            continue;
        system.devs.push_back(mount.dev);
        // A filesystem spanning devices (btrfs) shows an anonymous number;
        // the device it was mounted from still tells the disk.
        if (mount.sourceDev)
            system.devs.push_back(*mount.sourceDev);
    }
    for (const SwapEntry& swap : snapshot.swaps) {
        if (swap.dev)
            system.devs.push_back(*swap.dev);
        else
            system.known = false;
    }
    return system;
}

// Returns the disk of that name, or nullptr.
const BlockDisk* FindDisk(const BlockSnapshot& snapshot, const std::string& name)
{
    for (const BlockDisk& disk : snapshot.disks)
        if (disk.name == name)
            return &disk;
    return nullptr;
}

// Returns true when the disk, one of its partitions, or a device built on
// them is in system use, or when that cannot be told.
bool DiskInSystemUse(const BlockSnapshot& snapshot, const BlockDisk& disk, const SystemDevices& system, int depth);

// Returns true when the device, or a device built on it, is one the system
// lives on, or when its number or a holder is unknown.
bool DeviceInSystemUse(const BlockSnapshot& snapshot, const std::optional<DeviceNumber>& dev,
                       const std::vector<std::string>& holders, const SystemDevices& system, int depth)
{
    if (!dev || depth > MAX_HOLDER_DEPTH || Contains(system.devs, *dev))
        return true;
    for (const std::string& holder : holders) {
        const BlockDisk* built = FindDisk(snapshot, holder);
        if (!built || DiskInSystemUse(snapshot, *built, system, depth + 1))
            return true;
    }
    return false;
}

bool DiskInSystemUse(const BlockSnapshot& snapshot, const BlockDisk& disk, const SystemDevices& system, int depth)
{
    if (DeviceInSystemUse(snapshot, disk.dev, disk.holders, system, depth))
        return true;
    return std::any_of(disk.partitions.begin(), disk.partitions.end(), [&](const BlockPartition& part) {
        return DeviceInSystemUse(snapshot, part.dev, part.holders, system, depth);
    });
}

struct NameRun {
    bool digits = false;
    std::string text;
};

// Splits a device name into its kind and the runs of digits and other
// characters after it. Kinds whose drives are told apart by letters ("sd",
// "vd", "hd", "xvd") lose those letters to a run of their own.
std::vector<NameRun> SplitName(const std::string& name)
{
    std::vector<NameRun> runs;
    for (char c : name) {
        const bool digit = c >= '0' && c <= '9';
        if (runs.empty() || runs.back().digits != digit)
            runs.push_back({digit, {}});
        runs.back().text += c;
    }
    if (!runs.empty() && !runs[0].digits) {
        for (const std::string kind : {"xvd", "sd", "vd", "hd"}) {
            const std::string& first = runs[0].text;
            if (first.size() > kind.size() && StartsWith(first, kind) &&
                std::all_of(first.begin() + kind.size(), first.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
                runs.insert(runs.begin() + 1, NameRun{false, first.substr(kind.size())});
                runs[0].text = kind;
                break;
            }
        }
    }
    return runs;
}

// Returns <0, 0, >0 as run a comes before, with, or after run b: digits by
// value, letters shorter first (z before aa), digits before letters.
int CompareRuns(const NameRun& a, const NameRun& b)
{
    if (a.digits != b.digits)
        return a.digits ? -1 : 1;
    std::string x = a.text;
    std::string y = b.text;
    if (a.digits) {
        x.erase(0, std::min(x.find_first_not_of('0'), x.size() - 1));
        y.erase(0, std::min(y.find_first_not_of('0'), y.size() - 1));
    }
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

// Returns how many folders deep a mount point lies ("/" 0, "/media/a" 2).
int Depth(const std::string& path)
{
    return static_cast<int>(std::count_if(path.begin(), path.end(), [](char c) { return c == '/'; })) -
           (path.size() <= 1 ? 1 : 0);
}

}  // namespace

bool IsOfferableKind(const BlockDisk& disk)
{
    for (const char* prefix : {"ram", "zram", "sr", "dm-", "md"})
        if (StartsWith(disk.name, prefix))
            return false;
    if (StartsWith(disk.name, "loop"))
        return disk.hasBackingFile && !disk.readOnly;
    return true;
}

bool HoldsRunningSystem(const BlockSnapshot& snapshot, const BlockDisk& disk)
{
    const SystemDevices system = CollectSystemDevices(snapshot);
    return !system.known || DiskInSystemUse(snapshot, disk, system, 0);
}

bool DriveNameLess(const std::string& a, const std::string& b)
{
    const auto x = SplitName(a);
    const auto y = SplitName(b);
    if (!x.empty() && !y.empty() && x[0].digits == y[0].digits && x[0].text != y[0].text)
        return x[0].text < y[0].text;  // the kind decides first, alphabetically
    for (size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (const int c = CompareRuns(x[i], y[i]); c != 0)
            return c < 0;
    if (x.size() != y.size())
        return x.size() < y.size();
    return a < b;
}

std::vector<const BlockDisk*> ListDrives(const BlockSnapshot& snapshot)
{
    const SystemDevices system = CollectSystemDevices(snapshot);
    std::vector<const BlockDisk*> drives;
    if (!system.known)
        return drives;
    for (const BlockDisk& disk : snapshot.disks)
        if (disk.dev && disk.sizeBytes >= 0 && IsOfferableKind(disk) && !DiskInSystemUse(snapshot, disk, system, 0))
            drives.push_back(&disk);
    std::sort(drives.begin(), drives.end(),
              [](const BlockDisk* a, const BlockDisk* b) { return DriveNameLess(a->name, b->name); });
    if (drives.size() > MAX_DRIVES)
        drives.resize(MAX_DRIVES);
    return drives;
}

int32_t MediaTypeOf(const BlockDisk& disk)
{
    const bool sdCard = StartsWith(disk.name, "mmcblk") && disk.mmcType == "SD";
    return disk.removable || disk.onUsb || sdCard ? MEDIA_TYPE_REMOVABLE : MEDIA_TYPE_FIXED;
}

std::vector<DeviceNumber> DevicesOf(const BlockDisk& disk)
{
    std::vector<DeviceNumber> devs;
    if (disk.dev)
        devs.push_back(*disk.dev);
    for (const BlockPartition& part : disk.partitions)
        if (part.dev)
            devs.push_back(*part.dev);
    return devs;
}

namespace {
// Returns the disk's mounts in the order to unmount them.
std::vector<const MountEntry*> MountsOf(const BlockSnapshot& snapshot, const BlockDisk& disk)
{
    const std::vector<DeviceNumber> devs = DevicesOf(disk);
    std::vector<const MountEntry*> found;
    for (const MountEntry& mount : snapshot.mounts)
        if (Contains(devs, mount.dev) || (mount.sourceDev && Contains(devs, *mount.sourceDev)))
            found.push_back(&mount);
    std::sort(found.begin(), found.end(), [](const MountEntry* a, const MountEntry* b) {
        return std::make_tuple(Depth(a->mountPoint), a->id) > std::make_tuple(Depth(b->mountPoint), b->id);
    });
    return found;
}
}  // namespace

std::vector<PlannedUnmount> PlanUnmounts(const BlockSnapshot& snapshot, const BlockDisk& disk)
{
    // The device a mount names: its own number, else the source it was
    // mounted from (btrfs shows an anonymous number).
    auto nameOf = [&disk](const MountEntry& mount) {
        for (const std::optional<DeviceNumber>& dev : {std::optional(mount.dev), mount.sourceDev}) {
            if (dev && disk.dev && *dev == *disk.dev)
                return disk.name;
            for (const BlockPartition& part : disk.partitions)
                if (dev && part.dev && *dev == *part.dev)
                    return part.name;
        }
        return disk.name;
    };
    std::vector<PlannedUnmount> plan;
    for (const MountEntry* mount : MountsOf(snapshot, disk))
        plan.push_back({mount->mountPoint, "/dev/" + nameOf(*mount)});
    return plan;
}

std::vector<std::string> WritableMounts(const BlockSnapshot& snapshot, const BlockDisk& disk)
{
    std::vector<std::string> targets;
    for (const MountEntry* mount : MountsOf(snapshot, disk))
        if (!mount->readOnly)
            targets.push_back(mount->mountPoint);
    return targets;
}

}  // namespace platform
