#include "platform/OpenHandles.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {
bool IsNumber(const char* name)
{
    return *name && std::all_of(name, name + std::char_traits<char>::length(name), [](char c) { return c >= '0' && c <= '9'; });
}

// Returns true when one of the process's open files is one of `devices`;
// `readable` is false when its open files could not be listed.
bool HoldsOneOf(const std::string& fdDir, const std::vector<DeviceNumber>& devices, bool& readable)
{
    DIR* fds = ::opendir(fdDir.c_str());
    readable = fds != nullptr;
    if (!fds)
        return false;
    bool holds = false;
    while (const dirent* entry = ::readdir(fds)) {
        if (!IsNumber(entry->d_name))
            continue;
        struct stat st {};
        if (::stat((fdDir + "/" + entry->d_name).c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
            continue;
        const DeviceNumber dev{::major(st.st_rdev), ::minor(st.st_rdev)};
        if (std::find(devices.begin(), devices.end(), dev) != devices.end()) {
            holds = true;
            break;
        }
    }
    ::closedir(fds);
    return holds;
}
}  // namespace

HolderScan FindHolders(const std::string& root, const std::vector<DeviceNumber>& devices)
{
    HolderScan scan;
    const std::string proc = (root.empty() || root == "/" ? std::string() : root) + "/proc";
    DIR* processes = ::opendir(proc.c_str());
    if (!processes) {
        scan.unreadable = 1;
        return scan;
    }
    const std::string self = std::to_string(::getpid());
    while (const dirent* entry = ::readdir(processes)) {
        if (!IsNumber(entry->d_name) || self == entry->d_name)
            continue;
        const std::string dir = proc + "/" + entry->d_name;
        bool readable = false;
        if (HoldsOneOf(dir + "/fd", devices, readable)) {
            Holder holder;
            holder.pid = static_cast<pid_t>(std::stol(entry->d_name));
            std::ifstream comm(dir + "/comm");
            std::getline(comm, holder.command);
            scan.holders.push_back(holder);
        } else if (!readable && ::access(dir.c_str(), F_OK) == 0) {
            ++scan.unreadable;  // a process that ended meanwhile does not count
        }
    }
    ::closedir(processes);
    return scan;
}

std::string HoldersText(const std::vector<Holder>& holders)
{
    std::string text;
    for (const Holder& h : holders)
        text += (text.empty() ? "" : ", ") + std::string("pid ") + std::to_string(h.pid) + " (" + h.command + ")";
    return text;
}

}  // namespace platform
