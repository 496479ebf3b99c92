// What the kernel tells about block devices, mounts and swap, read from a
// /sys + /proc tree into plain data. Nothing here decides which device is
// a drive: that is LinuxDriveRules' job, so the decisions can be tried on a
// made-up tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DeviceNumber {
    unsigned major = 0;
    unsigned minor = 0;
    bool operator==(const DeviceNumber&) const = default;
};

// Returns the number written as "major:minor" (surrounding blanks allowed),
// or nothing for any other text.
std::optional<DeviceNumber> ParseDeviceNumber(const std::string& text);

struct BlockPartition {
    std::string name;                  // "sdb1"
    std::optional<DeviceNumber> dev;   // nothing when its `dev` was unreadable
    std::vector<std::string> holders;  // devices built on it: "dm-0", "md127"
};

struct BlockDisk {
    // What deciding whether it is a drive needs (ProbeBlockDevices).
    std::string name;                 // as listed in /sys/block
    std::optional<DeviceNumber> dev;  // nothing when its `dev` was unreadable
    bool hasBackingFile = false;      // `loop/backing_file` exists
    bool readOnly = false;            // `ro` is 1
    std::vector<std::string> holders;
    std::vector<BlockPartition> partitions;

    // What tells the user and the media class about it (ProbeDiskIdentity).
    bool removable = false;           // `removable` is 1
    bool onUsb = false;               // its device path runs through a USB bus
    std::string mmcType;              // `device/type` ("SD", "MMC", ...), empty if none
    int64_t sizeBytes = -1;           // `size` x 512, -1 when unreadable
    int32_t logicalBlockSize = 0;     // `queue/logical_block_size`, 0 when unreadable
    std::optional<uint64_t> diskseq;  // `diskseq`, where the kernel has it (5.15 on)
    std::string serial;               // `wwid`, `device/wwid` or `device/serial`
    std::string vendor;               // `device/vendor`
    std::string model;                // `device/model`, or `device/name` of an mmc card
};

struct MountEntry {
    int id = 0;                               // later mounts have larger ids
    DeviceNumber dev;                         // the filesystem's device number
    std::optional<DeviceNumber> sourceDev;    // the block device named as source, if it names one
    std::string mountPoint;                   // unescaped
    bool readOnly = false;                    // mounted, or its filesystem, read-only
};

struct SwapEntry {
    std::string path;                  // unescaped, as /proc/swaps lists it
    std::optional<DeviceNumber> dev;   // the partition, or the filesystem holding a swap file
};

struct BlockSnapshot {
    std::vector<BlockDisk> disks;      // every entry of /sys/block, unfiltered
    std::vector<MountEntry> mounts;
    std::vector<SwapEntry> swaps;
    bool mountsRead = false;           // /proc/self/mountinfo could be read
    bool swapsRead = false;            // /proc/swaps could be read
};

// Returns what the tree below `root` ("/" for the running system) holds:
// every disk with its identity, the mounts and the swap areas. Files that
// cannot be read leave their members at the defaults above.
BlockSnapshot ProbeBlockDevices(const std::string& root = "/");

// Returns the disk named `name` (as listed in /sys/block) with its identity,
// without mounts or swap: what a query of one drive needs. Nothing when the
// tree has no such disk.
std::optional<BlockDisk> ProbeOneDisk(const std::string& root, const std::string& name);

// Fills in the identity members of a disk probed below the same root.
void ProbeDiskIdentity(const std::string& root, BlockDisk& disk);

// Returns the names of the disks a filesystem of device number `dev` is
// stored on: the disk itself, the disk of a partition, the disks below a
// device built on others (LVM, RAID, encryption), or for a number /sys does
// not know (btrfs) the disks of the device it was mounted from. Empty for a
// filesystem on no disk (tmpfs).
std::vector<std::string> DisksHolding(const std::string& root, DeviceNumber dev, const BlockSnapshot& snapshot);

// Returns the name of the disk a block device belongs to when the device is
// a partition ("sdc" for sdc1), found through /sys for its device number;
// "" for a whole disk or anything else.
std::string DiskOfPartition(const std::string& root, DeviceNumber partition);

}  // namespace platform
