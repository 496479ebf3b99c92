// The drive commands: `kvi drives`, `kvi eject DRIVE`, and the check that
// every command working on a drive makes first.
#pragma once

#include "drive/PhysicalDrive.h"

#include <string>

namespace cli {

// Prints one line per drive of the table on standard output. Returns the
// exit status: 0.
int RunDrives();

// Returns the exit status of `kvi eject DRIVE`: 0 ejected, 3 declined, 4
// refused or failed, 2 for a malformed DRIVE.
int RunEject(const std::string& driveText);

// Looks up DRIVE and checks that the commands accept it, as the window's
// buttons would. Returns 0 with `entry` set, or the exit status to end with
// after the reason has been printed.
int TakeAcceptedDrive(const std::string& driveText, DriveEntry& entry);

// Returns the exit status for the engine's result of a command on `entry`,
// after printing why the drive could not be used when an open of it failed
// (it disappeared, another disk took its place, no permission, ...).
int FinishDriveCommand(int32_t result, const DriveEntry& entry);

// Returns the capacity as the drive information line shows it, always with
// a full stop: "1.86 GB".
std::string CapacityText(int64_t capacity);

}  // namespace cli
