#include "image/PlainImageReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

PlainImageReader::PlainImageReader(const std::string& path) : RawImageReader(path, IMAGE_SIZE_UNKNOWN)
{
    stated_ = fileBytes_;
}

int64_t PlainImageReader::Pull(uint8_t* out, size_t length)
{
    const auto wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(length), fileBytes_ - read_));
    if (wanted == 0)
        return 0;
    const int64_t got = file_.ReadFull(out, wanted);
    if (got < 0)
        return Fail(BlockFault::BlockUnreadable, Quoted() + " could not be read: " + std::strerror(errno) + ".");
    if (got < static_cast<int64_t>(wanted))
        return Fail(BlockFault::ImageChanged,
                    Quoted() + " became shorter while it was read. Let the program that writes it finish, then try again.");
    read_ += got;
    return got;
}
