// An open block device.
#pragma once

#include "platform/DriveBackend.h"

#include <cstdint>
#include <memory>

namespace platform {

// Takes ownership of `fd` (closed when the handle goes); `mediaType` is what
// the geometry request reports as MediaType. A handle opened `forWriting`
// asks the kernel to read the partition table again when it goes, once
// something was written: the disk's old partitions would otherwise stay
// listed.
std::unique_ptr<DriveHandle> MakeLinuxDriveHandle(int fd, int32_t mediaType, bool forWriting = false);

}  // namespace platform
