// Real block devices under Linux.
#pragma once

#include "platform/DriveBackend.h"

#include <memory>

namespace platform {

std::unique_ptr<DriveBackend> MakeLinuxDriveBackend();

}  // namespace platform
