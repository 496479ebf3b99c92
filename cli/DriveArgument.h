// DRIVE on the command line: a drive number ("2"), a device name
// ("PHYSICALDRIVE2") or, for real drives, the /dev path of a listed drive.
// Only drives in the drive table can be named, so a disk the drive layer
// does not offer (the system disk) can't be reached by its path either.
#pragma once

#include "drive/PhysicalDrive.h"

#include <string>

namespace cli {

enum class DriveLookup {
    Found,      // entry holds the drive's table entry
    Malformed,  // the text is no way of naming a drive
    NotListed,  // well formed, but no listed drive has that name
};

// Rebuilds the drive table from one scan, then looks `text` up in it. On
// Found, `entry` is the drive's entry, with the record of its disk that the
// command keeps to its end, and bySelectedDrive_g its index; otherwise `why`
// says what was wrong (a partition is named as such).
DriveLookup FindDrive(const std::string& text, DriveEntry& entry, std::string& why);

// Returns the drive number written in `text` as a number or a device name,
// or -1 when it is neither.
int ParseDriveNumber(const std::string& text);

}  // namespace cli
