#include "platform/PrivateTempFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::string PrivateTempFolder(std::string* why)
{
    auto refuse = [why](const std::string& reason) {
        if (why)
            *why = reason;
        return std::string();
    };
    std::string base = "/var/tmp";
    if (const char* tmpdir = std::getenv("TMPDIR")) {
        struct stat st {};
        if (*tmpdir && ::stat(tmpdir, &st) == 0 && S_ISDIR(st.st_mode))
            base = tmpdir;
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string folder = base + "/korvalith-" + std::to_string(::geteuid());

    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return refuse(folder + " could not be made (" + std::strerror(errno) + ")");
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return refuse(folder + " cannot be looked at (" + std::strerror(errno) + ")");
    if (S_ISLNK(st.st_mode))
        return refuse(folder + " is a symbolic link; it must be a folder of its own");
    if (!S_ISDIR(st.st_mode))
        return refuse(folder + " is not a folder");
    if (st.st_uid != ::geteuid())
        return refuse(folder + " belongs to user " + std::to_string(st.st_uid) + ", not to you");
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return refuse(folder + " can be entered by others (mode " + mode + "); it must be 0700");
    }
    return folder + "/";
}
