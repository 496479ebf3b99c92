// Which block devices become drives, in which order, with which media class,
// and what is unmounted before writing: tried on /sys + /proc trees made up
// in a temporary folder.
#include "platform/LinuxDriveProbe.h"
#include "platform/LinuxDriveRules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace platform;

namespace {

struct FakePartition {
    std::string name;
    std::string dev;
    std::vector<std::string> holders = {};
};

struct FakeDisk {
    std::string name;
    std::string dev;                      // "" leaves the `dev` file out
    std::string busPath = "virtual";      // below sys/devices
    int removable = 0;
    int ro = 0;
    bool backingFile = false;
    std::string mmcType = "";
    std::string size = "2048";            // sectors; "" leaves the `size` file out
    std::vector<FakePartition> partitions = {};
    std::vector<std::string> holders = {};
};

struct FakeMount {
    std::string dev;
    std::string mountPoint;
    std::string source = "/dev/root";
};

// A /sys + /proc tree in a temporary folder, removed afterwards.
class FakeTree {
public:
    FakeTree()
    {
        std::string templ = (fs::temp_directory_path() / "kvi-sys-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = templ;
        fs::create_directories(root_ / "sys/block");
        fs::create_directories(root_ / "proc/self");
    }
    ~FakeTree()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string Root() const { return root_.string(); }

    void Add(const FakeDisk& d)
    {
        const fs::path dir = root_ / "sys/devices" / d.busPath / "block" / d.name;
        fs::create_directories(dir / "device");
        fs::create_directories(dir / "holders");
        fs::create_symlink(fs::relative(dir, root_ / "sys/block"), root_ / "sys/block" / d.name);
        if (!d.dev.empty())
            Write(dir / "dev", d.dev);
        Write(dir / "removable", std::to_string(d.removable));
        Write(dir / "ro", std::to_string(d.ro));
        if (!d.size.empty())
            Write(dir / "size", d.size);
        LinkDeviceNumber(d.dev, dir);
        if (d.backingFile) {
            fs::create_directories(dir / "loop");
            Write(dir / "loop/backing_file", "/srv/" + d.name + ".img");
        }
        if (!d.mmcType.empty())
            Write(dir / "device/type", d.mmcType);
        for (const auto& holder : d.holders)
            fs::create_directories(dir / "holders" / holder);
        for (const auto& p : d.partitions) {
            fs::create_directories(dir / p.name / "holders");
            Write(dir / p.name / "partition", "1");
            Write(dir / p.name / "dev", p.dev);
            LinkDeviceNumber(p.dev, dir / p.name);
            for (const auto& holder : p.holders)
                fs::create_directories(dir / p.name / "holders" / holder);
        }
    }

    void SetMounts(const std::vector<FakeMount>& mounts)
    {
        std::string text = "22 28 0:21 / /proc rw - proc proc rw\n";
        int id = 40;
        for (const auto& m : mounts)
            text += std::to_string(id++) + " 1 " + m.dev + " / " + Escape(m.mountPoint) +
                    " rw,relatime shared:1 - ext4 " + m.source + " rw\n";
        Write(root_ / "proc/self/mountinfo", text);
    }

    void SetSwaps(const std::vector<std::string>& paths)
    {
        std::string text = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
        for (const auto& p : paths)
            text += p + "                               partition\t1048572\t\t0\t\t-2\n";
        Write(root_ / "proc/swaps", text);
    }

    void Write(const fs::path& path, const std::string& text) const
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text << '\n';
    }

private:
    // /sys/dev/block/<major:minor> points at the device's folder.
    void LinkDeviceNumber(const std::string& dev, const fs::path& dir) const
    {
        if (dev.empty())
            return;
        fs::create_directories(root_ / "sys/dev/block");
        fs::create_symlink(fs::relative(dir, root_ / "sys/dev/block"), root_ / "sys/dev/block" / dev);
    }

    static std::string Escape(const std::string& s)
    {
        std::string out;
        for (char c : s)
            out += c == ' ' ? std::string("\\040") : std::string(1, c);
        return out;
    }

    fs::path root_;
};

std::vector<std::string> Names(const std::vector<const BlockDisk*>& disks)
{
    std::vector<std::string> names;
    for (const auto* d : disks)
        names.push_back(d->name);
    return names;
}

std::vector<std::string> OfferedNames(const std::vector<FakeDisk>& disks, const std::vector<FakeMount>& mounts,
                                      const std::vector<std::string>& swaps)
{
    FakeTree tree;
    for (const auto& d : disks)
        tree.Add(d);
    tree.SetMounts(mounts);
    tree.SetSwaps(swaps);
    const BlockSnapshot snapshot = ProbeBlockDevices(tree.Root());
    return Names(ListDrives(snapshot));
}

// Returns the disk of that name with its identity probed from the tree.
BlockDisk Identified(const FakeTree& tree, const std::string& name)
{
    BlockDisk disk;
    disk.name = name;
    ProbeDiskIdentity(tree.Root(), disk);
    return disk;
}

const FakeDisk kSda{.name = "sda", .dev = "8:0", .partitions = {{"sda1", "8:1"}, {"sda2", "8:2"}}};
const FakeDisk kSdaa{.name = "sdaa", .dev = "65:160", .partitions = {{"sdaa1", "65:161"}}};

struct FilterCase {
    const char* name;  // of the test case
    const char* what;
    std::vector<FakeDisk> disks;
    std::vector<FakeMount> mounts;
    std::vector<std::string> swaps;
    std::vector<std::string> offered;
};

void PrintTo(const FilterCase& c, std::ostream* os)
{
    *os << c.what;
}

class LinuxDriveFilter : public testing::TestWithParam<FilterCase> {};

TEST_P(LinuxDriveFilter, OffersOnlyDisksFreeOfTheRunningSystem)
{
    const FilterCase& c = GetParam();
    EXPECT_EQ(OfferedNames(c.disks, c.mounts, c.swaps), c.offered) << c.what;
}

std::string CaseName(const testing::TestParamInfo<FilterCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinuxDriveFilter,
    testing::Values(
        FilterCase{"NeverDriveKinds", "ram, zram, optical, device-mapper and RAID devices are never drives",
                   {{.name = "ram0", .dev = "1:0"},
                    {.name = "zram0", .dev = "252:0"},
                    {.name = "sr0", .dev = "11:0", .removable = 1},
                    {.name = "dm-0", .dev = "253:0"},
                    {.name = "md127", .dev = "9:127"},
                    {.name = "sdb", .dev = "8:16"}},
                   {},
                   {},
                   {"sdb"}},
        FilterCase{"LoopDevices", "loop devices only when attached to a file, writable",
                   {{.name = "loop0", .dev = "7:0"},
                    {.name = "loop1", .dev = "7:1", .ro = 1, .backingFile = true},
                    {.name = "loop2", .dev = "7:2", .backingFile = true}},
                   {},
                   {},
                   {"loop2"}},
        FilterCase{"WholeDiskAtRoot", "whole disk mounted at / (by number: sdaa stays)", {kSda, kSdaa}, {{"8:0", "/"}}, {}, {"sdaa"}},
        FilterCase{"PartitionAtBoot", "partition at /boot", {kSda, kSdaa}, {{"8:1", "/boot"}}, {}, {"sdaa"}},
        FilterCase{"PartitionAtBootEfi", "partition at /boot/efi", {kSda, kSdaa}, {{"8:1", "/boot/efi"}}, {}, {"sdaa"}},
        FilterCase{"PartitionAtUsr", "partition at /usr", {kSda, kSdaa}, {{"8:2", "/usr"}}, {}, {"sdaa"}},
        FilterCase{"PartitionAtVar", "partition at /var", {kSda, kSdaa}, {{"8:2", "/var"}}, {}, {"sdaa"}},
        FilterCase{"PartitionAtHome", "partition at /home", {kSda, kSdaa}, {{"8:2", "/home"}}, {}, {"sdaa"}},
        FilterCase{"LiveBootMedium", "the medium a live system booted from", {kSda, kSdaa},
                   {{"0:30", "/", "overlay"}, {"65:161", "/run/live/medium"}}, {}, {"sda"}},
        FilterCase{"LongerNameAtRoot", "sdaa's partition at / hides sdaa only", {kSda, kSdaa}, {{"65:161", "/"}}, {}, {"sda"}},
        FilterCase{"OtherMountPoints", "other mount points do not hide a disk",
                   {kSda, kSdaa},
                   {{"8:1", "/media/stick"}, {"65:161", "/home/user/data"}},
                   {},
                   {"sda", "sdaa"}},
        FilterCase{"SwapPartition", "active swap partition", {kSda, kSdaa}, {}, {"/dev/sda2"}, {"sdaa"}},
        FilterCase{"UntracedSwap", "swap that cannot be traced to a device hides everything", {kSda, kSdaa}, {}, {"/dev/sdq9"}, {}},
        FilterCase{"LvmRoot", "root on LVM over a partition hides the disk below",
                   {{.name = "sdc", .dev = "8:32", .partitions = {{"sdc2", "8:34", {"dm-0"}}}},
                    {.name = "dm-0", .dev = "253:0"},
                    {.name = "sdd", .dev = "8:48"}},
                   {{"253:0", "/"}},
                   {},
                   {"sdd"}},
        FilterCase{"BtrfsRoot", "btrfs root with an anonymous number, traced by its source",
                   {kSda, kSdaa},
                   {{"0:35", "/", "/dev/sdaa1"}},
                   {},
                   {"sda"}},
        FilterCase{"UnreadableNumbers", "a disk or partition without a readable number is never offered",
                   {{.name = "sdb", .dev = ""},
                    {.name = "sdc", .dev = "8:32", .partitions = {{"sdc1", ""}}},
                    {.name = "sdd", .dev = "8:48"}},
                   {},
                   {},
                   {"sdd"}},
        FilterCase{"UnreadableSize", "a disk without a readable size is never offered",
                   {{.name = "sdb", .dev = "8:16", .size = ""}, {.name = "sdc", .dev = "8:32", .size = "0"}},
                   {},
                   {},
                   {"sdc"}}),
    CaseName);

TEST(LinuxDriveRules, NothingIsOfferedWhenMountsCannotBeRead)
{
    FakeTree tree;
    tree.Add(kSdaa);
    tree.SetSwaps({});
    EXPECT_TRUE(ListDrives(ProbeBlockDevices(tree.Root())).empty());
    tree.SetMounts({});
    EXPECT_EQ(Names(ListDrives(ProbeBlockDevices(tree.Root()))), std::vector<std::string>{"sdaa"});
}

TEST(LinuxDriveRules, SwapFileHidesTheDiskItsFilesystemLivesOn)
{
    FakeTree tree;
    tree.Write(fs::path(tree.Root()) / "swapfile", "");
    struct stat st {};
    ASSERT_EQ(::stat((tree.Root() + "/swapfile").c_str(), &st), 0);
    const std::string fsDev = std::to_string(::major(st.st_dev)) + ":" + std::to_string(::minor(st.st_dev));
    tree.Add({.name = "sdb", .dev = "8:16", .partitions = {{"sdb1", fsDev}}});
    tree.Add({.name = "sdc", .dev = "8:32"});
    tree.SetMounts({});
    tree.SetSwaps({"/swapfile"});
    EXPECT_EQ(Names(ListDrives(ProbeBlockDevices(tree.Root()))), std::vector<std::string>{"sdc"});
}

TEST(LinuxDriveRules, DrivesAreNumberedInNaturalOrder)
{
    FakeTree tree;
    int minor = 0;
    for (const std::string name : {"sdb", "sdaa", "sdz", "sda", "mmcblk1", "mmcblk0", "nvme0n1", "nvme1n1"})
        tree.Add({.name = name, .dev = "8:" + std::to_string(16 * minor++)});
    tree.Add({.name = "loop10", .dev = "7:10", .backingFile = true});
    tree.Add({.name = "loop2", .dev = "7:2", .backingFile = true});
    tree.SetMounts({});
    tree.SetSwaps({});
    EXPECT_EQ(Names(ListDrives(ProbeBlockDevices(tree.Root()))),
              (std::vector<std::string>{"loop2", "loop10", "mmcblk0", "mmcblk1", "nvme0n1", "nvme1n1", "sda", "sdb",
                                        "sdz", "sdaa"}));
}

TEST(LinuxDriveRules, NoMoreThan128Drives)
{
    BlockSnapshot snapshot;
    snapshot.mountsRead = snapshot.swapsRead = true;
    for (unsigned i = 0; i < 130; ++i) {
        BlockDisk disk;
        disk.name = "loop" + std::to_string(i);
        disk.dev = DeviceNumber{7, i};
        disk.sizeBytes = 1 << 20;
        disk.hasBackingFile = true;
        snapshot.disks.push_back(disk);
    }
    const auto drives = ListDrives(snapshot);
    ASSERT_EQ(drives.size(), 128u);
    EXPECT_EQ(drives.back()->name, "loop127");
}

TEST(LinuxDriveRules, MediaClass)
{
    struct Case {
        FakeDisk disk;
        int32_t mediaType;
    };
    const std::vector<Case> cases = {
        {{.name = "sda", .dev = "8:0", .busPath = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0"}, 12},
        {{.name = "sdb", .dev = "8:16", .removable = 1}, 11},
        {{.name = "sdc", .dev = "8:32", .busPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0"},
         11},
        {{.name = "mmcblk0", .dev = "179:0", .mmcType = "SD"}, 11},
        {{.name = "mmcblk1", .dev = "179:8", .mmcType = "MMC"}, 12},
        {{.name = "loop3", .dev = "7:3", .backingFile = true}, 12},
    };
    FakeTree tree;
    for (const auto& c : cases) {
        tree.Add(c.disk);
        EXPECT_EQ(MediaTypeOf(Identified(tree, c.disk.name)), c.mediaType) << c.disk.name;
    }
}

TEST(LinuxDriveRules, ProbeReadsIdentityAndSize)
{
    FakeTree tree;
    tree.Add({.name = "sdc", .dev = "8:32"});
    tree.Add({.name = "mmcblk0", .dev = "179:0", .mmcType = "SD"});
    const fs::path sdc = fs::path(tree.Root()) / "sys/devices/virtual/block/sdc";
    tree.Write(sdc / "device/vendor", "Generic ");
    tree.Write(sdc / "device/model", "STORAGE DEVICE  ");
    tree.Write(sdc / "size", "62333952");
    tree.Write(fs::path(tree.Root()) / "sys/devices/virtual/block/mmcblk0/device/name", "SD32G");
    const BlockDisk stick = Identified(tree, "sdc");
    const BlockDisk card = Identified(tree, "mmcblk0");
    EXPECT_EQ(stick.vendor, "Generic");
    EXPECT_EQ(stick.model, "STORAGE DEVICE");
    EXPECT_EQ(stick.sizeBytes, 62333952LL * 512);
    EXPECT_EQ(card.model, "SD32G");
    EXPECT_EQ(card.sizeBytes, 2048 * 512);
}

TEST(LinuxDriveRules, APartitionIsTracedToItsDisk)
{
    FakeTree tree;
    tree.Add({.name = "sdc", .dev = "8:32", .partitions = {{"sdc1", "8:33"}}});
    EXPECT_EQ(DiskOfPartition(tree.Root(), {8, 33}), "sdc");
    EXPECT_EQ(DiskOfPartition(tree.Root(), {8, 32}), "");
    EXPECT_EQ(DiskOfPartition(tree.Root(), {8, 48}), "");
}

TEST(LinuxDriveRules, ProbeReadsWhatIdentifiesADisk)
{
    FakeTree tree;
    tree.Add({.name = "sdc", .dev = "8:32"});
    const fs::path sdc = fs::path(tree.Root()) / "sys/devices/virtual/block/sdc";
    tree.Write(sdc / "diskseq", "17");
    tree.Write(sdc / "device/wwid", "naa.5000c500a1b2c3d4");
    tree.Write(sdc / "queue/logical_block_size", "4096");
    const BlockDisk disk = Identified(tree, "sdc");
    EXPECT_EQ(disk.diskseq, std::optional<uint64_t>(17));
    EXPECT_EQ(disk.serial, "naa.5000c500a1b2c3d4");
    EXPECT_EQ(disk.logicalBlockSize, 4096);
}

TEST(LinuxDriveRules, UnmountPlanCoversTheDiskAndItsPartitionsDeepestFirst)
{
    FakeTree tree;
    tree.Add({.name = "sdb", .dev = "8:16", .partitions = {{"sdb1", "8:17"}, {"sdb2", "8:18"}}});
    tree.Add({.name = "sdc", .dev = "8:32", .partitions = {{"sdc1", "8:33"}}});
    tree.SetMounts({
        {"8:17", "/media/USB STICK"},        // id 40
        {"8:18", "/media/USB STICK/inner"},  // id 41
        {"8:33", "/media/other"},            // id 42, another disk
        {"8:17", "/mnt/bind"},               // id 43, the same filesystem again
        {"8:16", "/mnt/whole"},              // id 44, the disk without partitions
        {"0:40", "/mnt/btrfs", "/dev/sdb2"}, // id 45, known by its source only
    });
    tree.SetSwaps({});
    const BlockSnapshot snapshot = ProbeBlockDevices(tree.Root());
    auto plan = [&](const BlockDisk& disk) {
        std::vector<std::string> steps;
        for (const PlannedUnmount& step : PlanUnmounts(snapshot, disk))
            steps.push_back(step.mountPoint + " from " + step.devicePath);
        return steps;
    };
    EXPECT_EQ(plan(snapshot.disks[0]),
              (std::vector<std::string>{"/media/USB STICK/inner from /dev/sdb2", "/mnt/btrfs from /dev/sdb2",
                                        "/mnt/whole from /dev/sdb", "/mnt/bind from /dev/sdb1",
                                        "/media/USB STICK from /dev/sdb1"}));
    EXPECT_EQ(plan(snapshot.disks[1]), std::vector<std::string>{"/media/other from /dev/sdc1"});
}

}  // namespace
