// Taking a drive's filesystems off before the drive is overwritten.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Unmounts each mount point in the given order, detaching it lazily when a
// plain unmount is refused. Symbolic links are never followed. Returns how
// many of them stayed mounted (0 when all are gone); a detached filesystem
// still in use keeps its device busy, which the exclusive open that follows
// then finds.
int UnmountAll(const std::vector<std::string>& mountPoints);

}  // namespace platform
