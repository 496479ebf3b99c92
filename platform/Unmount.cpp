#include "platform/Unmount.h"

#include <cerrno>
#include <sys/mount.h>

namespace platform {

int UnmountAll(const std::vector<std::string>& mountPoints)
{
    int left = 0;
    for (const std::string& target : mountPoints) {
        if (::umount2(target.c_str(), UMOUNT_NOFOLLOW) == 0 || errno == EINVAL)
            continue;  // EINVAL: no longer a mount point, gone with a detached parent
        if (::umount2(target.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) != 0)
            ++left;
    }
    return left;
}

}  // namespace platform
