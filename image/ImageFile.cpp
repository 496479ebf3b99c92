#include "image/ImageFile.h"

#include "drive/PhysicalDrive.h"
#include "image/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>

int FileExists(const std::string& Path)
{
    // Looked at, not opened: a file this user may not read is still there,
    // and overwriting it must still be asked about.
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? VB_TRUE : VB_FALSE;
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
