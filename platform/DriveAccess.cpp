#include "platform/DriveAccess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace platform {

namespace {

// Returns the open() flags for a purpose. Reading for a query or an eject
// does not block on an empty card reader.
int OpenFlags(OpenPurpose purpose)
{
    switch (purpose) {
    case OpenPurpose::Query:
    case OpenPurpose::Eject:
        return O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    case OpenPurpose::ReadWhole:
        return O_RDONLY | O_CLOEXEC;
    case OpenPurpose::WriteWhole:
        // Read as well: what was written is read back to be checked.
        return O_RDWR | O_EXCL | O_CLOEXEC;
    }
    return O_RDONLY | O_CLOEXEC;
}

// Returns what an open that failed with `error` means to the user.
DriveFault FaultOfOpenError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return DriveFault::NoPermission;
    case EBUSY:
        return DriveFault::InUse;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return DriveFault::Gone;
    default:
        return DriveFault::Failed;
    }
}

class Direct : public DriveAccess {
public:
    const char* Name() const override { return "direct"; }

    AccessOpen OpenDevice(const std::string& devicePath, OpenPurpose purpose) override
    {
        AccessOpen result;
        result.fd = ::open(devicePath.c_str(), OpenFlags(purpose));
        if (result.fd < 0) {
            const int error = errno;
            result.problem = {FaultOfOpenError(error), std::strerror(error)};
        }
        return result;
    }

    DriveProblem Unmount(const std::string&, const std::string& mountPoint) override
    {
        int result;
        do
            result = ::umount2(mountPoint.c_str(), UMOUNT_NOFOLLOW);
        while (result != 0 && errno == EINTR);
        // EINVAL: no longer a mount point (gone with its parent, or by another hand).
        if (result == 0 || errno == EINVAL)
            return {};
        if (errno == EBUSY)
            return {DriveFault::MountBusy, mountPoint};
        if (errno == EPERM || errno == EACCES)
            return {DriveFault::MountNotPermitted, mountPoint};
        return {DriveFault::Failed, mountPoint + ": " + std::strerror(errno)};
    }

    bool Eject(const std::string&, int fd) override
    {
        ::fsync(fd);
        ::ioctl(fd, BLKFLSBUF, 0);  // refused without CAP_SYS_ADMIN; fsync has done the part that matters
        return ::ioctl(fd, CDROMEJECT, 0) == 0;
    }

    bool EjectNeedsDescriptor() const override { return true; }
};

std::unique_ptr<DriveAccess>& UdisksSlot()
{
    static std::unique_ptr<DriveAccess> udisks;
    return udisks;
}

// Returns "direct", "udisks" or "" (choose) from KORVALITH_DRIVE_ACCESS.
std::string Forced()
{
    const char* forced = std::getenv("KORVALITH_DRIVE_ACCESS");
    return forced ? forced : "";
}

}  // namespace

DriveAccess& DirectAccess()
{
    static Direct direct;
    return direct;
}

void SetUdisksAccess(std::unique_ptr<DriveAccess> access)
{
    UdisksSlot() = std::move(access);
}

namespace {
// Returns the way to take: as forced, else direct when it is allowed or no
// udisks2 way is installed.
DriveAccess& Choose(bool directAllowed)
{
    auto& udisks = UdisksSlot();
    const std::string forced = Forced();
    if (!udisks || forced == "direct")
        return DirectAccess();
    if (forced == "udisks")
        return *udisks;
    return directAllowed ? DirectAccess() : *udisks;
}
}  // namespace

DriveAccess& AccessForOpening(const std::string& devicePath, OpenPurpose purpose)
{
    const int wanted = purpose == OpenPurpose::WriteWhole ? R_OK | W_OK : R_OK;
    return Choose(::faccessat(AT_FDCWD, devicePath.c_str(), wanted, AT_EACCESS) == 0);
}

DriveAccess& AccessForUnmounting()
{
    return Choose(::geteuid() == 0);
}

}  // namespace platform
