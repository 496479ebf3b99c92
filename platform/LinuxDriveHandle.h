// An open block device.
#pragma once

#include "platform/DriveBackend.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class DriveAccess;

// Takes ownership of `fd` (closed when the handle goes; -1 for a handle that
// only ejects); `mediaType` is what the geometry request reports as
// MediaType; the eject goes through `access` for `devicePath`. A handle
// opened `forWriting` asks the kernel to read the partition table again when
// it goes, once something was written: the disk's old partitions would
// otherwise stay listed.
std::unique_ptr<DriveHandle> MakeLinuxDriveHandle(int fd, int32_t mediaType, DriveAccess& access,
                                                  const std::string& devicePath, bool forWriting = false);

}  // namespace platform
