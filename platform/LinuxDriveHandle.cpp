#include "platform/LinuxDriveHandle.h"

#include "platform/DriveAccess.h"
#include "platform/FullIo.h"
#include "platform/SyntheticGeometry.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

namespace {

class LinuxDriveHandle : public DriveHandle {
public:
    LinuxDriveHandle(int fd, int32_t mediaType, DriveAccess& access, std::string devicePath, bool forWriting)
        : fd_(fd), mediaType_(mediaType), access_(access), devicePath_(std::move(devicePath)), forWriting_(forWriting)
    {
    }
    ~LinuxDriveHandle() override
    {
        // Fails harmlessly on devices without partitions (loop devices
        // without partition scanning) and while a partition is in use.
        if (forWriting_ && written_)
            ::ioctl(fd_, BLKRRPART, 0);
        if (fd_ >= 0)
            ::close(fd_);
    }
    LinuxDriveHandle(const LinuxDriveHandle&) = delete;
    LinuxDriveHandle& operator=(const LinuxDriveHandle&) = delete;

    // Returns true with the geometry Windows would report for the medium;
    // false when the sector size or capacity is unknown or the capacity is 0
    // (a reader without a card).
    bool GetGeometry(DISK_GEOMETRY& out) override
    {
        int sectorSize = 0;
        int64_t capacity = 0;
        if (::ioctl(fd_, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0 || !Capacity(capacity) || capacity == 0)
            return false;
        DISK_GEOMETRY g = SynthesizeGeometry(capacity, sectorSize);
        g.MediaType = mediaType_;
        out = g;
        return true;
    }

    // Returns true with the capacity; false when it is unknown or 0.
    bool GetLength(int64_t& out) override
    {
        int64_t capacity = 0;
        if (!Capacity(capacity) || capacity == 0)
            return false;
        out = capacity;
        return true;
    }

    // Returns true when the drive took the eject command.
    bool Eject() override { return access_.Eject(devicePath_, fd_); }

    // Returns the bytes one read() call delivered, 0 at the end, -1 on failure.
    int64_t Read(void* buffer, size_t length) override
    {
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, length);
            if (got >= 0)
                return got;
            if (errno != EINTR)
                return -1;
        }
    }

    // Returns the bytes read at `offset`, -1 when a read failed.
    int64_t ReadAt(void* buffer, size_t length, int64_t offset) override
    {
        return ReadAllAt(fd_, buffer, length, offset);
    }

    // Returns the bytes read at `offset` from the medium, -1 on failure. The
    // open file reads with O_DIRECT for the call, through a buffer aligned
    // to the sector size; a device that refuses O_DIRECT has its cached
    // pages dropped first and is read the ordinary way.
    int64_t ReadBackAt(void* buffer, size_t length, int64_t offset) override
    {
        const int flags = ::fcntl(fd_, F_GETFL);
        if (!directRefused_ && flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0) {
            const int64_t got = ReadDirect(buffer, length, offset);
            const int error = errno;
            ::fcntl(fd_, F_SETFL, flags);
            if (got >= 0 || error != EINVAL)
                return got;
        }
        directRefused_ = true;
        ::ioctl(fd_, BLKFLSBUF, 0);  // root only; the advice below covers this process's view
        ::posix_fadvise(fd_, offset, static_cast<off_t>(length), POSIX_FADV_DONTNEED);
        return ReadAllAt(fd_, buffer, length, offset);
    }

    // Returns true when all bytes are written at `offset`.
    bool WriteAt(const void* buffer, size_t length, int64_t offset) override
    {
        written_ = true;
        return WriteAllAt(fd_, buffer, length, offset);
    }

    // Returns true once the written data is on the medium.
    bool Flush() override { return ::fdatasync(fd_) == 0; }

private:
    // Reads [offset, offset + length) with the file in O_DIRECT mode: whole
    // sectors into the aligned buffer, then the part asked for. Returns the
    // bytes read, or -1 with errno set.
    int64_t ReadDirect(void* buffer, size_t length, int64_t offset)
    {
        if (sector_ == 0 && (::ioctl(fd_, BLKSSZGET, &sector_) != 0 || sector_ <= 0))
            sector_ = 4096;
        const int64_t sector = sector_;
        // Whole sectors into a buffer that starts on one go there directly.
        if (reinterpret_cast<uintptr_t>(buffer) % 4096 == 0 && offset % sector == 0 &&
            static_cast<int64_t>(length) % sector == 0)
            return ReadAllAt(fd_, buffer, length, offset);
        const int64_t start = offset / sector * sector;
        const int64_t end = (offset + static_cast<int64_t>(length) + sector - 1) / sector * sector;
        const auto span = static_cast<size_t>(end - start);
        if (aligned_.size < span) {
            void* memory = nullptr;
            if (::posix_memalign(&memory, 4096, span) != 0) {
                errno = ENOMEM;
                return -1;
            }
            aligned_.reset(static_cast<uint8_t*>(memory), span);
        }
        const int64_t got = ReadAllAt(fd_, aligned_.data, span, start);
        if (got < 0)
            return -1;
        const int64_t skip = offset - start;
        const int64_t useful = std::clamp<int64_t>(got - skip, 0, static_cast<int64_t>(length));
        std::memcpy(buffer, aligned_.data + skip, static_cast<size_t>(useful));
        return useful;
    }

    // A buffer from posix_memalign, freed with free().
    struct AlignedBuffer {
        uint8_t* data = nullptr;
        size_t size = 0;
        void reset(uint8_t* d, size_t s)
        {
            std::free(data);
            data = d;
            size = s;
        }
        ~AlignedBuffer() { std::free(data); }
    };

    bool Capacity(int64_t& out) const
    {
        uint64_t bytes = 0;
        if (::ioctl(fd_, BLKGETSIZE64, &bytes) != 0 || bytes > static_cast<uint64_t>(INT64_MAX))
            return false;
        out = static_cast<int64_t>(bytes);
        return true;
    }

    int fd_;
    int32_t mediaType_;
    DriveAccess& access_;
    std::string devicePath_;
    bool forWriting_;
    bool written_ = false;
    bool directRefused_ = false;
    int sector_ = 0;  // the device's logical sector, once asked
    AlignedBuffer aligned_;
};

}  // namespace

std::unique_ptr<DriveHandle> MakeLinuxDriveHandle(int fd, int32_t mediaType, DriveAccess& access,
                                                  const std::string& devicePath, bool forWriting)
{
    return std::make_unique<LinuxDriveHandle>(fd, mediaType, access, devicePath, forWriting);
}

}  // namespace platform
