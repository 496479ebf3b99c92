// Which other programs hold a disk open.
//
// An exclusive open keeps out only other exclusive openers and mounts; a
// program that simply has the disk or one of its partitions open (a shell's
// `3<>/dev/sdc`, a disk utility) would see it overwritten under its feet.
// The open files of every process are looked at instead.
#pragma once

#include "platform/LinuxDriveProbe.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

struct Holder {
    pid_t pid = 0;
    std::string command;  // /proc/<pid>/comm
};

struct HolderScan {
    std::vector<Holder> holders;
    int unreadable = 0;  // processes whose open files could not be looked at
};

// Returns the processes other than this one that have one of `devices`
// open, found through /proc below `root`.
HolderScan FindHolders(const std::string& root, const std::vector<DeviceNumber>& devices);

// Returns "pid 1234 (sleep), pid 99 (gparted)".
std::string HoldersText(const std::vector<Holder>& holders);

}  // namespace platform
