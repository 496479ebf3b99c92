#include "platform/SimulatedDriveBackend.h"

#include "platform/FullIo.h"
#include "platform/SyntheticGeometry.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace {

using Settings = std::map<std::string, std::string>;

Settings ReadIni(const std::string& path)
{
    Settings settings;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        auto trim = [](std::string s) {
            const auto b = s.find_first_not_of(" \t");
            const auto e = s.find_last_not_of(" \t");
            return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
        };
        settings[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return settings;
}

// Returns the number stored under key, or fallback when missing or not a number.
int64_t Number(const Settings& s, const std::string& key, int64_t fallback)
{
    const auto it = s.find(key);
    if (it == s.end() || it->second.empty())
        return fallback;
    try {
        size_t used = 0;
        const long long v = std::stoll(it->second, &used, 0);
        return used == it->second.size() ? v : fallback;
    } catch (...) {
        return fallback;
    }
}

bool Flag(const Settings& s, const std::string& key)
{
    return Number(s, key, 0) != 0;
}

// Returns the text stored under key, or "".
std::string Text(const Settings& s, const std::string& key)
{
    const auto it = s.find(key);
    return it == s.end() ? std::string() : it->second;
}

class SimulatedBackend;

class SimulatedHandle : public DriveHandle {
public:
    SimulatedHandle(SimulatedBackend& backend, std::string imagePath, Settings settings, int fd)
        : backend_(backend), imagePath_(std::move(imagePath)), settings_(std::move(settings)), fd_(fd)
    {
    }
    ~SimulatedHandle() override { ::close(fd_); }

    bool GetGeometry(DISK_GEOMETRY& out) override;
    bool GetLength(int64_t& out) override;
    bool Eject() override;
    int64_t Read(void* buffer, size_t length) override;
    int64_t ReadAt(void* buffer, size_t length, int64_t offset) override;
    bool WriteAt(const void* buffer, size_t length, int64_t offset) override;
    bool Flush() override { return ::fdatasync(fd_) == 0; }

private:
    int64_t FileSize() const
    {
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? st.st_size : 0;
    }
    int64_t Capacity() const { return Number(settings_, "Capacity", FileSize()); }

    // Runs move(fileOffset, doneSoFar, pieceLength) over the file pieces that
    // hold drive bytes [offset, offset + length): one piece, but on a drive
    // with a FakeCapacity the offsets wrap around at that many bytes, as a
    // counterfeit card's do. Returns false when a move failed.
    template <typename Move>
    bool Wrapped(int64_t offset, size_t length, Move move) const
    {
        const int64_t fake = Number(settings_, "FakeCapacity", 0);
        if (fake <= 0)
            return move(offset, 0, length);
        for (size_t done = 0; done < length;) {
            const int64_t at = (offset + static_cast<int64_t>(done)) % fake;
            const size_t piece = std::min(length - done, static_cast<size_t>(fake - at));
            if (!move(at, done, piece))
                return false;
            done += piece;
        }
        return true;
    }
    bool HasMedium() const;

    SimulatedBackend& backend_;
    std::string imagePath_;
    Settings settings_;
    int fd_;
    int64_t position_ = 0;
};

// Returns the identity of a regular file (statx of `path` relative to `dir`
// with `flags`): its file system, inode and birth time (a new file under the
// same name is another drive, even where its inode number is reused), and
// the capacity it stands for.
std::optional<DriveIdentity> FileIdentity(int dir, const char* path, int flags, const Settings& settings)
{
    struct statx sx {};
    if (::statx(dir, path, flags, STATX_TYPE | STATX_INO | STATX_SIZE | STATX_BTIME, &sx) != 0 || !S_ISREG(sx.stx_mode))
        return std::nullopt;
    DriveIdentity identity;
    identity.device = static_cast<uint64_t>(::makedev(sx.stx_dev_major, sx.stx_dev_minor));
    identity.inode = sx.stx_ino;
    if (sx.stx_mask & STATX_BTIME)
        identity.born = static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
    identity.size = Number(settings, "Capacity", static_cast<int64_t>(sx.stx_size));
    return identity;
}

class SimulatedBackend : public DriveBackend {
public:
    explicit SimulatedBackend(std::string directory) : directory_(std::move(directory)) {}

    std::vector<DriveRecord> List() override
    {
        std::vector<DriveRecord> records;
        for (int n = 0; n <= 127 && !directory_.empty(); ++n) {
            const Settings settings = ReadIni(IniPath(n));
            const auto identity = FileIdentity(AT_FDCWD, ImagePath(n).c_str(), 0, settings);
            if (!identity)
                continue;
            DriveRecord record;
            record.number = n;
            record.devicePath = ImagePath(n);
            record.identity = *identity;
            record.vendor = "Simulated";
            record.model = "drive";
            if (auto handle = Open(record, OpenPurpose::Query, nullptr)) {
                DISK_GEOMETRY g;
                int64_t length = 0;
                if (handle->GetGeometry(g))
                    record.geometry = g;
                if (handle->GetLength(length))
                    record.length = length;
            }
            records.push_back(std::move(record));
        }
        return records;
    }

    std::unique_ptr<DriveHandle> Open(const DriveRecord& record, OpenPurpose purpose, DriveProblem* problem) override
    {
        auto fail = [problem](DriveFault fault) -> std::unique_ptr<DriveHandle> {
            if (problem)
                *problem = {fault, {}};
            return nullptr;
        };
        if (directory_.empty() || record.number < 0 || record.devicePath != ImagePath(record.number))
            return fail(DriveFault::Gone);
        Settings settings = ReadIni(IniPath(record.number));
        const int flags = (purpose == OpenPurpose::WriteWhole ? O_RDWR : O_RDONLY) | O_CLOEXEC;
        const int fd = ::open(record.devicePath.c_str(), flags);
        if (fd < 0)
            return fail(errno == ENOENT ? DriveFault::Gone : DriveFault::Failed);
        auto handle = std::make_unique<SimulatedHandle>(*this, record.devicePath, settings, fd);
        // Checked on what was opened: the file at the path now may be
        // another one than the listed drive.
        const auto now = FileIdentity(fd, "", AT_EMPTY_PATH, settings);
        if (!now || *now != record.identity)
            return fail(DriveFault::Changed);
        if ((purpose == OpenPurpose::ReadWhole && Flag(settings, "FailOpenForRead")) ||
            (purpose == OpenPurpose::WriteWhole && Flag(settings, "FailOpenForWrite")))
            return fail(DriveFault::Failed);
        if (purpose == OpenPurpose::WriteWhole && Flag(settings, "MountBusy")) {
            if (problem)
                *problem = {DriveFault::MountBusy, Text(settings, "MountedAt")};
            return nullptr;
        }
        return handle;
    }

    bool IsSimulated() const override { return true; }

    std::vector<std::string> WritableMounts(const DriveRecord& record) override
    {
        const std::string at = Text(ReadIni(IniPath(record.number)), "MountedAt");
        return at.empty() ? std::vector<std::string>{} : std::vector<std::string>{at};
    }

    bool IsDriveMedium(const std::string& path) override
    {
        struct stat given {};
        if (directory_.empty() || ::stat(path.c_str(), &given) != 0)
            return false;
        for (int n = 0; n <= 127; ++n) {
            struct stat drive {};
            if (::stat(ImagePath(n).c_str(), &drive) == 0 && drive.st_dev == given.st_dev && drive.st_ino == given.st_ino)
                return true;
        }
        return false;
    }

    void MarkEjected(const std::string& image)
    {
        std::lock_guard lock(mutex_);
        ejected_.insert(image);
    }
    bool IsEjected(const std::string& image)
    {
        std::lock_guard lock(mutex_);
        return ejected_.count(image) != 0;
    }

private:
    std::string ImagePath(int n) const { return directory_ + "/PHYSICALDRIVE" + std::to_string(n) + ".img"; }
    std::string IniPath(int n) const { return directory_ + "/PHYSICALDRIVE" + std::to_string(n) + ".ini"; }

    std::string directory_;
    std::mutex mutex_;
    std::set<std::string> ejected_;
};

bool SimulatedHandle::HasMedium() const
{
    return !Flag(settings_, "NoMedium") && !backend_.IsEjected(imagePath_);
}

bool SimulatedHandle::GetGeometry(DISK_GEOMETRY& out)
{
    if (!HasMedium())
        return false;
    const int32_t bytesPerSector = static_cast<int32_t>(Number(settings_, "BytesPerSector", 512));
    DISK_GEOMETRY g = SynthesizeGeometry(Capacity(), bytesPerSector);
    g.MediaType = static_cast<int32_t>(Number(settings_, "MediaType", MEDIA_TYPE_REMOVABLE));
    g.Cylinders = Number(settings_, "Cylinders", g.Cylinders);
    g.TracksPerCylinder = static_cast<int32_t>(Number(settings_, "TracksPerCylinder", g.TracksPerCylinder));
    g.SectorsPerTrack = static_cast<int32_t>(Number(settings_, "SectorsPerTrack", g.SectorsPerTrack));
    out = g;
    return true;
}

bool SimulatedHandle::GetLength(int64_t& out)
{
    if (!HasMedium() || Flag(settings_, "FailPartitionInfo"))
        return false;
    out = Capacity();
    return true;
}

bool SimulatedHandle::Eject()
{
    if (Number(settings_, "EjectResult", 1) == 0)
        return false;
    backend_.MarkEjected(imagePath_);
    return true;
}

int64_t SimulatedHandle::Read(void* buffer, size_t length)
{
    const int64_t done = ReadAt(buffer, length, position_);
    if (done > 0)
        position_ += done;
    return done;
}

int64_t SimulatedHandle::ReadAt(void* buffer, size_t length, int64_t offset)
{
    if (!HasMedium() || offset < 0)
        return -1;
    const int64_t failAt = Number(settings_, "FailReadAt", -1);
    if (failAt >= offset && failAt < offset + static_cast<int64_t>(length))
        return -1;
    const int64_t end = std::min(Capacity(), Number(settings_, "EndAt", INT64_MAX));
    const int64_t want = std::max<int64_t>(0, std::min<int64_t>(static_cast<int64_t>(length), end - offset));
    auto* bytes = static_cast<uint8_t*>(buffer);
    const bool read = Wrapped(offset, static_cast<size_t>(want), [&](int64_t at, size_t done, size_t piece) {
        return ReadAllAt(fd_, bytes + done, piece, at) == static_cast<int64_t>(piece);
    });
    if (!read)
        return -1;
    // Written fine, read back wrong: what a failing card does without a word.
    const int64_t corrupt = Number(settings_, "SilentCorruptAt", -1);
    if (corrupt >= offset && corrupt < offset + want)
        bytes[corrupt - offset] ^= 0x5A;
    return want;
}

bool SimulatedHandle::WriteAt(const void* buffer, size_t length, int64_t offset)
{
    if (!HasMedium() || offset < 0)
        return false;
    const int64_t failAt = Number(settings_, "FailWriteAt", -1);
    if (failAt >= offset && failAt < offset + static_cast<int64_t>(length))
        return false;
    // Like a block device, the medium does not grow: what lies past its end
    // is not written and the write fails.
    const int64_t room = std::max<int64_t>(0, Capacity() - offset);
    const int64_t want = std::min<int64_t>(static_cast<int64_t>(length), room);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    return Wrapped(offset, static_cast<size_t>(want),
                   [&](int64_t at, size_t done, size_t piece) { return WriteAllAt(fd_, bytes + done, piece, at); }) &&
           want == static_cast<int64_t>(length);
}

}  // namespace

std::unique_ptr<DriveBackend> MakeSimulatedDriveBackend(const std::string& directory)
{
    return std::make_unique<SimulatedBackend>(directory);
}

}  // namespace platform
