#include "image/ImagePath.h"

#include <sys/stat.h>

namespace {
// Returns the folder a new file at `path` would be made in.
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Returns what a file of this type is, said plainly; "" for a regular file.
std::string KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISBLK(mode) || S_ISCHR(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

std::string DiskName(const platform::DriveRecord& drive)
{
    return drive.devicePath.empty() ? std::string("the drive") : drive.devicePath;
}
}  // namespace

std::string ImagePathProblem(const std::string& path, ImageUse use, const platform::DriveRecord& drive)
{
    platform::DriveBackend& backend = platform::ActiveDriveBackend();
    const std::string quoted = "'" + path + "'";
    struct stat link {};
    struct stat st {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (use == ImageUse::Read)
            return {};  // the header check refuses a missing file
        const std::string folder = FolderOf(path);
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return "The folder of " + quoted + " does not exist. Choose a name in an existing folder.";
        if (drive.number >= 0 && backend.IsOnDisk(folder, drive))
            return quoted + " would be stored on " + DiskName(drive) +
                   ", the drive being imaged. Choose a place on another disk.";
        return {};
    }
    if (::stat(path.c_str(), &st) != 0)
        return quoted + " is a link that points nowhere; writing through it would create a file elsewhere. "
                        "Choose another name.";
    if (const std::string kind = KindOf(st.st_mode); !kind.empty())
        return quoted + " is " + kind + ", not a file: images are " +
               (use == ImageUse::Write ? "written to" : "read from") + " regular files. Choose an image file.";
    if (backend.IsDriveMedium(path))
        return quoted + " is the medium of a drive, not an image file. Choose an image file.";
    if (drive.number >= 0 && backend.IsOnDisk(path, drive))
        return use == ImageUse::Write
                   ? quoted + " is stored on " + DiskName(drive) + ", the drive being imaged. Choose a place on another disk."
                   : quoted + " is stored on " + DiskName(drive) +
                         ", the drive it would overwrite. Copy it to another disk first.";
    return {};
}
