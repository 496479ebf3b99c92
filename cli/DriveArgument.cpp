#include "cli/DriveArgument.h"

#include "platform/DriveBackend.h"
#include "platform/LinuxDriveProbe.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace cli {

namespace {
// Returns the path with every symbolic link resolved (/dev/disk/by-id/...
// to /dev/sdc), or "" when it does not exist.
std::string ResolvedPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Returns the table index of drive number n, or 0 when it is not listed.
size_t TableIndexOf(int n)
{
    const std::string name = "PHYSICALDRIVE" + std::to_string(n);
    for (size_t i = 1; i < tPhysicalDrives_g.size(); ++i)
        if (tPhysicalDrives_g[i].DeviceName == name)
            return i;
    return 0;
}

// Returns the table index of the listed real drive at `path`, or 0.
size_t TableIndexOfPath(const std::string& path)
{
    const std::string wanted = ResolvedPath(path);
    if (wanted.empty())
        return 0;
    for (size_t i = 1; i < tPhysicalDrives_g.size(); ++i)
        if (ResolvedPath(tPhysicalDrives_g[i].Record.devicePath) == wanted)
            return i;
    return 0;
}

// Returns "/dev/sdc" when `path` is a partition of that disk, else "".
std::string WholeDiskOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    const std::string disk = platform::DiskOfPartition("/", {::major(st.st_rdev), ::minor(st.st_rdev)});
    return disk.empty() ? std::string() : "/dev/" + disk;
}
}  // namespace

int ParseDriveNumber(const std::string& text)
{
    static const std::string prefix = "PHYSICALDRIVE";
    std::string digits = text;
    if (text.compare(0, prefix.size(), prefix) == 0)
        digits = text.substr(prefix.size());
    return platform::ParseDevicePath("\\\\.\\" + prefix + digits);
}

DriveLookup FindDrive(const std::string& text, DriveEntry& entry, std::string& why)
{
    EnumPhysicalDrives(tPhysicalDrives_g);
    size_t index = 0;
    if (const int n = ParseDriveNumber(text); n >= 0) {
        index = TableIndexOf(n);
    } else if (text.compare(0, 5, "/dev/") == 0) {
        if (platform::ActiveDriveBackend().IsSimulated()) {
            why = text + ": simulated drives are named by number, not by a /dev path";
            return DriveLookup::NotListed;
        }
        index = TableIndexOfPath(text);
        if (index == 0) {
            if (const std::string disk = WholeDiskOf(text); !disk.empty()) {
                why = text + " is a partition of " + disk + "; name the whole drive (see 'kvi drives')";
                return DriveLookup::NotListed;
            }
        }
    } else {
        why = "'" + text + "' names no drive: give a number, PHYSICALDRIVE<n> or a /dev path";
        return DriveLookup::Malformed;
    }
    if (index == 0) {
        why = text + " is not a listed drive (see 'kvi drives')";
        return DriveLookup::NotListed;
    }
    entry = tPhysicalDrives_g[index];
    bySelectedDrive_g = static_cast<uint8_t>(index);
    return DriveLookup::Found;
}

}  // namespace cli
