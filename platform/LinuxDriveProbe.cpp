#include "platform/LinuxDriveProbe.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

// Returns s without leading and trailing white space.
std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Returns the file's text (the first 4 KiB; /sys attributes are short)
// without surrounding white space, or nothing when it cannot be read.
std::optional<std::string> ReadText(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char buffer[4096];
    ssize_t got;
    do
        got = ::read(fd, buffer, sizeof buffer);
    while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got < 0)
        return std::nullopt;
    return Trim(std::string(buffer, static_cast<size_t>(got)));
}

// Returns true when the file holds "1".
bool ReadFlag(const fs::path& path)
{
    return ReadText(path).value_or("") == "1";
}

// Returns the names in a folder, sorted; with `foldersOnly`, only real
// subfolders (not links). None when the folder cannot be listed.
std::vector<std::string> ListNames(const fs::path& dir, bool foldersOnly = false)
{
    std::vector<std::string> names;
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // /sys fills in the entry type, so the attribute files around the
        // partitions are skipped without a look at each.
        if (foldersOnly && entry->d_type != DT_DIR) {
            struct stat st {};
            if (entry->d_type != DT_UNKNOWN || ::lstat((dir / name).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
                continue;
        }
        names.push_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// Returns s with its escapes undone: the kernel writes blanks and a few
// other characters in mount points and swap paths as backslash and three
// octal digits.
std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() &&
            std::all_of(s.begin() + i + 1, s.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Returns the blank-separated fields of a line.
std::vector<std::string> SplitBlanks(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; in >> field;)
        fields.push_back(field);
    return fields;
}

// Returns the value of a plain decimal number, or nothing for any other text.
std::optional<int64_t> ParseCount(const std::string& text)
{
    if (text.empty() || text.size() > 18 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(text);
}

// Returns the major and minor number of d.
DeviceNumber FromDevT(dev_t d)
{
    return {::major(d), ::minor(d)};
}

// Returns true when the device's place in /sys/devices lies below a USB
// bus; `root` is already resolved.
bool OnUsbBus(const fs::path& root, const fs::path& sysBlockEntry)
{
    std::error_code ec;
    const fs::path resolved = fs::canonical(sysBlockEntry, ec);
    if (ec)
        return false;
    const fs::path inside = resolved.lexically_relative(root);
    for (const auto& part : inside)
        if (part.string().rfind("usb", 0) == 0)
            return true;
    return false;
}

// Returns what deciding about the disk needs; its identity is left for
// ProbeDiskIdentity.
BlockDisk ProbeDisk(const fs::path& dir, const std::string& name)
{
    BlockDisk disk;
    disk.name = name;
    disk.dev = ParseDeviceNumber(ReadText(dir / "dev").value_or(""));
    disk.readOnly = ReadFlag(dir / "ro");
    disk.hasBackingFile = ::access((dir / "loop" / "backing_file").c_str(), F_OK) == 0;
    disk.holders = ListNames(dir / "holders");
    for (const std::string& entry : ListNames(dir, true)) {
        // The kernel names partitions after their disk ("sdb1", "nvme0n1p2").
        if (entry.rfind(name, 0) != 0 || ::access((dir / entry / "partition").c_str(), F_OK) != 0)
            continue;
        BlockPartition part;
        part.name = entry;
        part.dev = ParseDeviceNumber(ReadText(dir / entry / "dev").value_or(""));
        part.holders = ListNames(dir / entry / "holders");
        disk.partitions.push_back(std::move(part));
    }
    return disk;
}

// Returns the device number behind a path that /proc names: the block
// device it is, or for a regular file (a swap file) the filesystem it lives
// on. A /dev path missing below `root` is looked up by its name among the
// probed devices.
std::optional<DeviceNumber> ResolveDevicePath(const fs::path& root, const std::string& path, bool fileMeansItsFilesystem,
                                              const std::vector<BlockDisk>& disks)
{
    if (path.empty() || path[0] != '/')
        return std::nullopt;
    struct stat st {};
    if (::stat((root / path.substr(1)).c_str(), &st) == 0) {
        if (S_ISBLK(st.st_mode))
            return FromDevT(st.st_rdev);
        if (S_ISREG(st.st_mode) && fileMeansItsFilesystem)
            return FromDevT(st.st_dev);
        return std::nullopt;
    }
    if (path.rfind("/dev/", 0) != 0)
        return std::nullopt;
    const std::string name = fs::path(path).filename().string();
    for (const BlockDisk& disk : disks) {
        if (disk.name == name)
            return disk.dev;
        for (const BlockPartition& part : disk.partitions)
            if (part.name == name)
                return part.dev;
    }
    return std::nullopt;
}

// Returns true when the comma-separated options hold `option`.
bool HasOption(const std::string& options, const std::string& option)
{
    std::istringstream in(options);
    for (std::string item; std::getline(in, item, ',');)
        if (item == option)
            return true;
    return false;
}

// Returns the entries of a mountinfo file, or nothing when it cannot be read.
std::optional<std::vector<MountEntry>> ReadMounts(const fs::path& root, const std::vector<BlockDisk>& disks)
{
    std::ifstream in(root / "proc/self/mountinfo");
    if (!in)
        return std::nullopt;
    std::vector<MountEntry> mounts;
    for (std::string line; std::getline(in, line);) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto fields = SplitBlanks(line);
        const auto dash = std::find(fields.begin() + std::min<size_t>(6, fields.size()), fields.end(), "-");
        const auto dev = fields.size() > 4 ? ParseDeviceNumber(fields[2]) : std::nullopt;
        const auto id = fields.empty() ? std::nullopt : ParseCount(fields[0]);
        if (!dev || !id || dash == fields.end())
            continue;
        MountEntry mount;
        mount.id = static_cast<int>(*id);
        mount.dev = *dev;
        mount.mountPoint = Unescape(fields[4]);
        // Only /dev sources are looked at: a path elsewhere names no block
        // device, and might sit on a network share that does not answer.
        const std::string source = dash + 2 < fields.end() ? Unescape(*(dash + 2)) : "";
        const std::string superOptions = dash + 3 < fields.end() ? *(dash + 3) : "";
        mount.readOnly = HasOption(fields[5], "ro") || HasOption(superOptions, "ro");
        if (source.rfind("/dev/", 0) == 0)
            mount.sourceDev = ResolveDevicePath(root, source, false, disks);
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

// Returns the active swap areas, or nothing when /proc/swaps cannot be read.
std::optional<std::vector<SwapEntry>> ReadSwaps(const fs::path& root, const std::vector<BlockDisk>& disks)
{
    std::ifstream in(root / "proc/swaps");
    if (!in)
        return std::nullopt;
    std::vector<SwapEntry> swaps;
    std::string line;
    std::getline(in, line);  // column titles
    while (std::getline(in, line)) {
        const auto fields = SplitBlanks(line);
        if (fields.empty())
            continue;
        SwapEntry swap;
        swap.path = Unescape(fields[0]);
        swap.dev = ResolveDevicePath(root, swap.path, true, disks);
        swaps.push_back(std::move(swap));
    }
    return swaps;
}

}  // namespace

std::optional<DeviceNumber> ParseDeviceNumber(const std::string& text)
{
    const std::string t = Trim(text);
    const auto colon = t.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const auto major = ParseCount(t.substr(0, colon));
    const auto minor = ParseCount(t.substr(colon + 1));
    if (!major || !minor || *major > 0xFFFFFFFF || *minor > 0xFFFFFFFF)
        return std::nullopt;
    return DeviceNumber{static_cast<unsigned>(*major), static_cast<unsigned>(*minor)};
}

BlockSnapshot ProbeBlockDevices(const std::string& root)
{
    const fs::path base(root.empty() ? "/" : root);
    BlockSnapshot snapshot;
    for (const std::string& name : ListNames(base / "sys/block")) {
        snapshot.disks.push_back(ProbeDisk(base / "sys/block" / name, name));
        ProbeDiskIdentity(root, snapshot.disks.back());
    }
    if (auto mounts = ReadMounts(base, snapshot.disks)) {
        snapshot.mounts = std::move(*mounts);
        snapshot.mountsRead = true;
    }
    if (auto swaps = ReadSwaps(base, snapshot.disks)) {
        snapshot.swaps = std::move(*swaps);
        snapshot.swapsRead = true;
    }
    return snapshot;
}

std::optional<BlockDisk> ProbeOneDisk(const std::string& root, const std::string& name)
{
    const fs::path base(root.empty() ? "/" : root);
    const fs::path dir = base / "sys/block" / name;
    if (name.empty() || name.find('/') != std::string::npos || ::access(dir.c_str(), F_OK) != 0)
        return std::nullopt;
    BlockDisk disk = ProbeDisk(dir, name);
    ProbeDiskIdentity(root, disk);
    return disk;
}

std::string DiskOfPartition(const std::string& root, DeviceNumber partition)
{
    const fs::path base(root.empty() ? "/" : root);
    const fs::path entry =
        base / "sys/dev/block" / (std::to_string(partition.major) + ":" + std::to_string(partition.minor));
    std::error_code ec;
    const fs::path resolved = fs::canonical(entry, ec);
    if (ec || ::access((resolved / "partition").c_str(), F_OK) != 0)
        return {};
    return resolved.parent_path().filename().string();
}

namespace {
// Adds the disks below the /sys device folder `dir` to `disks`.
void CollectDisksBelow(const fs::path& dir, std::vector<std::string>& disks, int depth)
{
    if (depth > 8)
        return;
    const bool partition = ::access((dir / "partition").c_str(), F_OK) == 0;
    const fs::path disk = partition ? dir.parent_path() : dir;
    const std::vector<std::string> below = ListNames(disk / "slaves");
    if (below.empty()) {
        const std::string name = disk.filename().string();
        if (std::find(disks.begin(), disks.end(), name) == disks.end())
            disks.push_back(name);
        return;
    }
    for (const std::string& name : below) {
        std::error_code ec;
        const fs::path next = fs::canonical(disk / "slaves" / name, ec);
        if (!ec)
            CollectDisksBelow(next, disks, depth + 1);
    }
}
}  // namespace

std::vector<std::string> DisksHolding(const std::string& root, DeviceNumber dev, const BlockSnapshot& snapshot)
{
    const fs::path base(root.empty() ? "/" : root);
    std::vector<std::string> disks;
    std::error_code ec;
    const fs::path dir =
        fs::canonical(base / "sys/dev/block" / (std::to_string(dev.major) + ":" + std::to_string(dev.minor)), ec);
    if (!ec) {
        CollectDisksBelow(dir, disks, 0);
        return disks;
    }
    for (const MountEntry& mount : snapshot.mounts)
        if (mount.dev == dev && mount.sourceDev && !(*mount.sourceDev == dev))
            for (const std::string& name : DisksHolding(root, *mount.sourceDev, snapshot))
                if (std::find(disks.begin(), disks.end(), name) == disks.end())
                    disks.push_back(name);
    return disks;
}

void ProbeDiskIdentity(const std::string& root, BlockDisk& disk)
{
    const fs::path given(root.empty() ? "/" : root);
    std::error_code ec;
    fs::path base = fs::canonical(given, ec);
    if (ec)
        base = given;
    const fs::path dir = base / "sys/block" / disk.name;
    disk.removable = ReadFlag(dir / "removable");
    disk.onUsb = OnUsbBus(base, dir);
    disk.mmcType = ReadText(dir / "device" / "type").value_or("");
    if (const auto sectors = ParseCount(ReadText(dir / "size").value_or("")))
        disk.sizeBytes = *sectors * 512;
    if (const auto sector = ParseCount(ReadText(dir / "queue" / "logical_block_size").value_or(""));
        sector && *sector > 0 && *sector <= 65536)
        disk.logicalBlockSize = static_cast<int32_t>(*sector);
    if (const auto seq = ParseCount(ReadText(dir / "diskseq").value_or("")))
        disk.diskseq = static_cast<uint64_t>(*seq);
    for (const char* file : {"wwid", "device/wwid", "device/serial"}) {
        disk.serial = ReadText(dir / file).value_or("");
        if (!disk.serial.empty())
            break;
    }
    disk.vendor = ReadText(dir / "device" / "vendor").value_or("");
    disk.model = ReadText(dir / "device" / "model").value_or(ReadText(dir / "device" / "name").value_or(""));
}

}  // namespace platform
