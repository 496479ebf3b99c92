// Real block devices under Linux.
#pragma once

#include "platform/DriveBackend.h"
#include "platform/LinuxDriveProbe.h"

#include <memory>

namespace platform {

// Drive n is the n-th block device that LinuxDriveRules offers in one scan
// of /sys and /proc, opened as /dev/<name>. Queries read /sys alone, so
// listing the drives and showing their geometry need no access to the
// devices themselves.
std::unique_ptr<DriveBackend> MakeLinuxDriveBackend();

// Returns the record of a probed disk as drive `number`.
DriveRecord RecordOfDisk(const BlockDisk& disk, int number);

// Opens the record's disk for reading, writing or ejecting, with `snapshot`
// as the state of the machine (mounts, the system's disks); for writing,
// every filesystem mounted from it is unmounted first and the open is
// exclusive. Returns the open drive, or nullptr with the reason in
// `problem` when the disk is missing from the snapshot or is not one to
// offer, the open fails, or what was opened is not the disk the record
// describes (another device number, disk sequence number or size).
std::unique_ptr<DriveHandle> OpenBlockDevice(const BlockSnapshot& snapshot, const DriveRecord& record,
                                             OpenPurpose purpose, DriveProblem* problem = nullptr);

}  // namespace platform
