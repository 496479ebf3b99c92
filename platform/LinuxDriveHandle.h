// An open block device.
#pragma once

#include "platform/DriveBackend.h"

#include <cstdint>
#include <memory>

namespace platform {

// Takes ownership of `fd` (closed when the handle goes); `mediaType` is what
// the geometry request reports as MediaType.
std::unique_ptr<DriveHandle> MakeLinuxDriveHandle(int fd, int32_t mediaType);

}  // namespace platform
