// Taking a drive's filesystems off before the drive is overwritten.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct UnmountRefusal {
    std::string mountPoint;
    int error = 0;  // EBUSY: programs use it; EPERM: this user may not unmount it
};

// Unmounts each mount point in the given order. A filesystem that is busy
// stays mounted: detaching it lazily would hide it while its programs go on
// writing to the disk about to be overwritten. Symbolic links are never
// followed. Returns the mount points that stayed mounted, with the reason;
// empty when all are gone.
std::vector<UnmountRefusal> UnmountAll(const std::vector<std::string>& mountPoints);

}  // namespace platform
