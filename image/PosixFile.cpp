#include "image/PosixFile.h"

#include "platform/FullIo.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

PosixFile PosixFile::OpenForReading(const std::string& path)
{
    return PosixFile(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

PosixFile PosixFile::CreateForWriting(const std::string& path)
{
    return PosixFile(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

void PosixFile::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int64_t PosixFile::ReadFull(void* buffer, size_t length)
{
    return ReadAll(fd_, buffer, length);
}

bool PosixFile::WriteFull(const void* buffer, size_t length)
{
    return WriteAll(fd_, buffer, length);
}

bool PosixFile::Sync()
{
    return ::fsync(fd_) == 0;
}
