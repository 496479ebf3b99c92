#include "platform/Unmount.h"

#include <cerrno>
#include <sys/mount.h>

namespace platform {

std::vector<UnmountRefusal> UnmountAll(const std::vector<std::string>& mountPoints)
{
    std::vector<UnmountRefusal> refused;
    for (const std::string& target : mountPoints) {
        int result;
        do
            result = ::umount2(target.c_str(), UMOUNT_NOFOLLOW);
        while (result != 0 && errno == EINTR);
        // EINVAL: no longer a mount point (gone with its parent, or by another hand).
        if (result != 0 && errno != EINVAL)
            refused.push_back({target, errno});
    }
    return refused;
}

}  // namespace platform
