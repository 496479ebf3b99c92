#include "image/ImageFile.h"

#include "drive/PhysicalDrive.h"
#include "image/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>

int FileExists(const std::string& Path)
{
    // Non-blocking, so that a FIFO without a writer does not hang the check.
    PosixFile file(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || S_ISDIR(st.st_mode))
        return VB_FALSE;
    return VB_TRUE;
}

int ReadImageHeader(const std::string& Path, ImageHeader& Header)
{
    if (FileExists(Path) != VB_TRUE)
        return VB_FALSE;
    PosixFile file = PosixFile::OpenForReading(Path);
    ImageHeaderBytes bytes{};
    if (!file.IsOpen() || file.ReadFull(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()))
        return VB_FALSE;
    Header = UnpackImageHeader(bytes);
    return VB_TRUE;
}
