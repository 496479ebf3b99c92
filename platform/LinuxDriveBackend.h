// Real block devices under Linux.
#pragma once

#include "platform/DriveBackend.h"
#include "platform/LinuxDriveProbe.h"

#include <memory>

namespace platform {

// Drive n is the n-th block device that LinuxDriveRules offers, opened as
// /dev/<name>. Every call probes /sys and /proc anew.
std::unique_ptr<DriveBackend> MakeLinuxDriveBackend();

// Opens one disk of a snapshot for a purpose; for writing, every filesystem
// mounted from it is unmounted first and the open is exclusive. Returns the
// open drive, or nullptr when the disk is not one to offer, the open fails,
// the drive is still in use, or /dev/<name> is not the device the snapshot
// describes.
std::unique_ptr<DriveHandle> OpenBlockDevice(const BlockSnapshot& snapshot, const BlockDisk& disk, OpenPurpose purpose);

}  // namespace platform
