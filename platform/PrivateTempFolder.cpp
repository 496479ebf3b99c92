#include "platform/PrivateTempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::string PrivateTempFolder()
{
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
        return {};
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return folder + "/";
}
