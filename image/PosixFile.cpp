#include "image/PosixFile.h"

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
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd_, static_cast<char*>(buffer) + done, length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool PosixFile::WriteFull(const void* buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t put = ::write(fd_, static_cast<const char*>(buffer) + done, length - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool PosixFile::Sync()
{
    return ::fsync(fd_) == 0;
}
