// Which block devices are offered as drives, in which order they are
// numbered, what media class they have, and what must be unmounted before a
// drive is overwritten. Pure decisions over a BlockSnapshot.
#pragma once

#include "platform/LinuxDriveProbe.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Returns true when the device may be offered as far as its own kind and
// state go: not a RAM disk, compressed RAM, optical drive, device-mapper or
// software RAID device, and not a loop device that is unattached or attached
// read-only. Says nothing about whether the system lives on it.
bool IsOfferableKind(const BlockDisk& disk);

// Returns true when the disk holds the running system: it or one of its
// partitions, or a device built on them (LVM, RAID, encryption), is mounted
// at /, /boot, /boot/efi, /usr, /var or /home (or where a live system keeps
// its boot medium), or is active swap. Also true
// whenever that cannot be told (mounts or swap unreadable, a device number
// unknown), so that an unknown disk is never offered.
bool HoldsRunningSystem(const BlockSnapshot& snapshot, const BlockDisk& disk);

// Returns true when name a comes before name b in drive order: by kind
// ("loop", "mmcblk", "nvme", "sd", ...), then by number, with drive letters
// counted like numbers (sdz before sdaa).
bool DriveNameLess(const std::string& a, const std::string& b);

// Returns the drives to offer, drive 0 first; never more than 128. A disk
// whose device number or size could not be read is not offered: what cannot
// be identified cannot be checked again before it is written.
std::vector<const BlockDisk*> ListDrives(const BlockSnapshot& snapshot);

// Returns MEDIA_TYPE_REMOVABLE for a removable flag, a disk on a USB bus or
// an SD card; MEDIA_TYPE_FIXED otherwise (an eMMC chip too).
int32_t MediaTypeOf(const BlockDisk& disk);

// Returns the device numbers of the disk and of its partitions.
std::vector<DeviceNumber> DevicesOf(const BlockDisk& disk);

struct PlannedUnmount {
    std::string mountPoint;
    std::string devicePath;  // the disk or partition mounted there: "/dev/sdb1"
};

// Returns every filesystem mounted from the disk itself or from one of its
// partitions, in the order to unmount them: deepest path first, and of
// mounts on the same path the latest first.
std::vector<PlannedUnmount> PlanUnmounts(const BlockSnapshot& snapshot, const BlockDisk& disk);

// Returns the mount points of the disk's filesystems that are mounted for
// writing, in the order of PlanUnmounts.
std::vector<std::string> WritableMounts(const BlockSnapshot& snapshot, const BlockDisk& disk);

}  // namespace platform
