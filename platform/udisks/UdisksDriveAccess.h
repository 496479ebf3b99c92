// The udisks2 way to a block device (platform/DriveAccess.h), over D-Bus.
// Its own library: the core links no Qt, and only the programs install it.
#pragma once

namespace platform {

// Installs the udisks2 way as the one taken when this process may not open
// a device itself. Call once at start-up, after the Qt application object
// exists.
void InstallUdisksAccess();

}  // namespace platform
