// How this process reaches a block device: opening it, unmounting its
// filesystems, ejecting its medium.
//
// Two ways exist. Directly, through the system's own calls, which needs
// root or a user the device node lets in (the group `disk`, which may read
// and write every disk of the machine). Or through udisks2, the service the
// desktop's disk tools use: it opens a device for an ordinary user after
// polkit has authorised it (asking for a password where the desktop has an
// agent), and unmounts and ejects what the user may. The udisks2 way uses
// D-Bus, which the core does not link; the programs install it at start-up
// (platform/udisks/).
//
// Which way is taken is decided per device and purpose: directly when this
// process may open the node itself, through udisks2 otherwise.
// KORVALITH_DRIVE_ACCESS=direct or =udisks forces one (tests,
// troubleshooting).
#pragma once

#include "platform/DriveBackend.h"

#include <memory>
#include <string>

namespace platform {

struct AccessOpen {
    int fd = -1;  // owned by the caller; -1 when the open failed
    DriveProblem problem;
};

class DriveAccess {
public:
    virtual ~DriveAccess() = default;

    // "direct" or "udisks2", for messages and tests.
    virtual const char* Name() const = 0;

    // Opens the device node for a purpose: read-only to read or eject it,
    // for reading and writing exclusively to write it (refused while it is
    // mounted or opened exclusively elsewhere). Returns the descriptor, or
    // -1 with the reason.
    virtual AccessOpen OpenDevice(const std::string& devicePath, OpenPurpose purpose) = 0;

    // Unmounts the filesystem on `devicePath` (the disk or a partition)
    // mounted at `mountPoint`, never lazily. Returns fault None when it is
    // no longer mounted; MountBusy, MountNotPermitted or another fault (with
    // the mount point as detail) when it stays.
    virtual DriveProblem Unmount(const std::string& devicePath, const std::string& mountPoint) = 0;

    // Ejects the medium of the disk `devicePath`, whose open descriptor for
    // ejecting is `fd` (-1 when the way needs none). Returns true when it
    // was ejected.
    virtual bool Eject(const std::string& devicePath, int fd) = 0;

    // True when this way opens a device for ejecting (the direct way sends
    // the request on the descriptor); udisks2 ejects by the device's name.
    virtual bool EjectNeedsDescriptor() const = 0;
};

// The direct way.
DriveAccess& DirectAccess();

// Installs the udisks2 way (nullptr removes it); the core only knows it
// through this interface.
void SetUdisksAccess(std::unique_ptr<DriveAccess> access);

// Returns the way to open `devicePath` for `purpose` (see above); when the
// direct way is not allowed and udisks2 is not installed, the direct way,
// whose open then says that permission is missing.
DriveAccess& AccessForOpening(const std::string& devicePath, OpenPurpose purpose);

// Returns the way to unmount a filesystem: directly for root, through
// udisks2 for anyone else (a user may unmount a card the desktop mounted
// for them, which umount(2) never allows).
DriveAccess& AccessForUnmounting();

}  // namespace platform
