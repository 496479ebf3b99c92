#include "image/PosixFile.h"

#include "platform/FullIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
    // Emptied only once it is known to be a regular file: a device or a pipe
    // at the path (or behind a link there) is never written.
    PosixFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Fd(), &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(file.Fd(), 0) != 0)
        return PosixFile();
    const int flags = ::fcntl(file.Fd(), F_GETFL);
    if (flags < 0 || ::fcntl(file.Fd(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return PosixFile();
    return file;
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

bool PosixFile::WriteFullAt(const void* buffer, size_t length, int64_t offset)
{
    return WriteAllAt(fd_, buffer, length, offset);
}

bool PosixFile::Sync()
{
    return ::fsync(fd_) == 0;
}
