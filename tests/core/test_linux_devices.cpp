// The Linux backend on the real machine: the system disk is never offered,
// and (as root, with loop devices) a loop device over a small file is found,
// measured, read, written, and unmounted before writing.
#include "drive/PhysicalDrive.h"
#include "image/CloneDrive.h"
#include "image/Commands.h"
#include "image/CreateImage.h"
#include "image/RestoreImage.h"
#include "image/VerifyImage.h"
#include "platform/LinuxDriveBackend.h"
#include "platform/LinuxDriveRules.h"

#include "ImageTestKit.h"
#include "ScriptedMessages.h"
#include "ShellCommand.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A loop device attached to a fresh file in the temporary folder; detached
// and removed when it goes.
class LoopDevice {
public:
    // `setUp` runs on the file before it is attached ("" for none).
    LoopDevice(int64_t size, const std::vector<uint8_t>& bytes = {}, const std::string& setUp = "")
    {
        file_ = (fs::temp_directory_path() / "kvi-loop-XXXXXX").string();
        const int fd = ::mkstemp(file_.data());
        if (fd < 0) {
            file_.clear();
            return;
        }
        ::close(fd);
        WriteFileBytes(file_, bytes);
        fs::resize_file(file_, static_cast<uintmax_t>(size));
        if (!setUp.empty() && !RunCommand(setUp + " '" + file_ + "'").ok)
            return;
        const CommandResult attached = RunCommand("losetup -f --show '" + file_ + "'");
        if (attached.ok && attached.out.rfind("/dev/loop", 0) == 0)
            path_ = attached.out;
    }
    ~LoopDevice()
    {
        if (!path_.empty())
            RunCommand("losetup -d " + path_);
        if (!file_.empty())
            ::unlink(file_.c_str());
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return !path_.empty(); }
    // Detaches the device now; the file stays until the object goes.
    void Detach()
    {
        if (!path_.empty())
            RunCommand("losetup -d " + path_);
        path_.clear();
    }
    const std::string& Path() const { return path_; }              // "/dev/loop3"
    std::string Name() const { return path_.substr(5); }           // "loop3"
    const std::string& File() const { return file_; }

private:
    std::string file_;
    std::string path_;
};

// An ext4 mount of a device on a fresh folder; taken off and removed when it goes.
class TempMount {
public:
    explicit TempMount(const std::string& device)
    {
        dir_ = (fs::temp_directory_path() / "kvi-mnt-XXXXXX").string();
        if (!::mkdtemp(dir_.data())) {
            dir_.clear();
            return;
        }
        mounted_ = ::mount(device.c_str(), dir_.c_str(), "ext4", 0, nullptr) == 0;
    }
    ~TempMount()
    {
        if (dir_.empty())
            return;
        ::umount2(dir_.c_str(), MNT_DETACH);  // fails harmlessly when already gone
        ::rmdir(dir_.c_str());
    }
    TempMount(const TempMount&) = delete;
    TempMount& operator=(const TempMount&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

// Returns the drive bytes an image file holds, each block expanded by zlib.
std::vector<uint8_t> ImageDriveBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> block(IMAGE_BLOCK_ROOM);
    for (const Bytes& stream : ParseImage(path).streams) {
        uLongf length = static_cast<uLongf>(block.size());
        if (uncompress(block.data(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK)
            return {};
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return bytes;
}

// Returns why loop devices cannot be used here, or "" when they can.
std::string WhyNoLoopDevices()
{
    if (::geteuid() != 0)
        return "not running as root";
    if (!RunCommand("command -v losetup").ok)
        return "losetup is not installed";
    return "";
}

// The disk of the snapshot with this name, or nullptr.
const BlockDisk* FindDisk(const BlockSnapshot& snapshot, const std::string& name)
{
    for (const BlockDisk& disk : snapshot.disks)
        if (disk.name == name)
            return &disk;
    return nullptr;
}

// Installs the real backend for the fixture's lifetime. Test programs run
// side by side take turns: loop devices attached by one would move the drive
// numbers of another.
class LinuxDevices : public testing::Test {
protected:
    void SetUp() override
    {
        lock_ = ::open((fs::temp_directory_path() / "korvalith-loop-tests.lock").c_str(),
                       O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        if (lock_ >= 0)
            ::flock(lock_, LOCK_EX);
        SetDriveBackend(MakeLinuxDriveBackend());
    }
    void TearDown() override
    {
        mount_.reset();
        loop_.reset();
        SetDriveBackend(nullptr);
        if (lock_ >= 0)
            ::close(lock_);
    }
    int lock_ = -1;

    // Rebuilds the drive table and returns the number it gives the device,
    // or -1.
    static int DriveNumberOf(const std::string& devicePath)
    {
        EnumPhysicalDrives(tPhysicalDrives_g);
        for (const DriveEntry& entry : tPhysicalDrives_g)
            if (entry.Record.number >= 0 && entry.Record.devicePath == devicePath)
                return entry.Record.number;
        return -1;
    }

    // Attaches a loop device holding ext4 and mounts it. Returns why that
    // could not be done, or "" when it is.
    std::string MountExt4OnLoop()
    {
        if (std::string why = WhyNoLoopDevices(); !why.empty())
            return why;
        if (!RunCommand("command -v mkfs.ext4").ok)
            return "mkfs.ext4 is not installed";
        loop_ = std::make_unique<LoopDevice>(8 << 20, std::vector<uint8_t>{}, "mkfs.ext4 -q -F");
        if (!loop_->Attached())
            return "no loop device holding ext4 could be attached";
        mount_ = std::make_unique<TempMount>(loop_->Path());
        if (!mount_->Mounted() || !IsMountPoint(mount_->Dir()))
            return "ext4 on " + loop_->Path() + " could not be mounted";
        return "";
    }

    std::unique_ptr<LoopDevice> loop_;  // declared first: goes after the mount
    std::unique_ptr<TempMount> mount_;
};

TEST_F(LinuxDevices, SystemDiskIsNeverOffered)
{
    struct stat st {};
    ASSERT_EQ(::stat("/", &st), 0);
    const std::string sys = "/sys/dev/block/" + std::to_string(::major(st.st_dev)) + ":" + std::to_string(::minor(st.st_dev));
    std::error_code ec;
    fs::path device = fs::canonical(sys, ec);
    if (ec)
        GTEST_SKIP() << "the root filesystem is not on a block device";
    if (fs::exists(device / "partition"))
        device = device.parent_path();
    const std::string systemDisk = "/dev/" + device.filename().string();
    EXPECT_EQ(DriveNumberOf(systemDisk), -1) << systemDisk << " is offered";
}

TEST_F(LinuxDevices, LoopDeviceIsFoundWithSynthesizedGeometryAndExactSize)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    struct Case {
        int64_t size;
        int64_t cylinders;
        int32_t tracksPerCylinder;
        int32_t sectorsPerTrack;
    };
    for (const Case& c : {Case{3 * 1048576 + 512, 6145, 1, 1}, Case{2 * 16065 * 512 + 512, 2, 255, 63}}) {
        SCOPED_TRACE(c.size);
        LoopDevice loop(c.size);
        if (!loop.Attached())
            GTEST_SKIP() << "no loop device could be attached";
        // The table keeps the disk behind the number, whatever other
        // programs attach meanwhile.
        const int n = DriveNumberOf(loop.Path());
        ASSERT_GE(n, 0) << loop.Path() << " is not offered";
        DISK_GEOMETRY g;
        int64_t capacity = 0;
        ASSERT_EQ(GetDriveGeometry("PHYSICALDRIVE" + std::to_string(n), g, capacity), 1);
        EXPECT_EQ(capacity, c.size);
        EXPECT_EQ(g.Cylinders, c.cylinders);
        EXPECT_EQ(g.TracksPerCylinder, c.tracksPerCylinder);
        EXPECT_EQ(g.SectorsPerTrack, c.sectorsPerTrack);
        EXPECT_EQ(g.BytesPerSector, 512);
        EXPECT_EQ(g.MediaType, MEDIA_TYPE_FIXED);
        EXPECT_EQ(FindDriveEntry("PHYSICALDRIVE" + std::to_string(n))->Record.identity.size, c.size);
    }
}

TEST_F(LinuxDevices, LoopDeviceIsReadAndWrittenThroughItsHandle)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<uint8_t> original = PatternBytes(1 << 20, 7);
    LoopDevice loop(1 << 20, original);
    if (!loop.Attached())
        GTEST_SKIP() << "no loop device could be attached";
    const BlockSnapshot snapshot = ProbeBlockDevices();
    const BlockDisk* disk = FindDisk(snapshot, loop.Name());
    ASSERT_NE(disk, nullptr);

    auto reader = OpenBlockDevice(snapshot, RecordOfDisk(*disk, 0), OpenPurpose::ReadWhole);
    ASSERT_NE(reader, nullptr);
    std::vector<uint8_t> read(original.size() + 4096);
    int64_t total = 0;
    for (int64_t got; (got = reader->Read(read.data() + total, read.size() - total)) > 0;)
        total += got;
    EXPECT_EQ(total, static_cast<int64_t>(original.size()));
    read.resize(total);
    EXPECT_TRUE(read == original);
    reader.reset();

    auto writer = OpenBlockDevice(snapshot, RecordOfDisk(*disk, 0), OpenPurpose::WriteWhole);
    ASSERT_NE(writer, nullptr);
    const std::vector<uint8_t> block = PatternBytes(4096, 9);
    EXPECT_TRUE(writer->WriteAt(block.data(), block.size(), 65536));
    EXPECT_FALSE(writer->WriteAt(block.data(), block.size(), (1 << 20) - 512));  // runs past the end
    EXPECT_TRUE(writer->Flush());
    writer.reset();
    const std::vector<uint8_t> after = ReadFileBytes(loop.File());
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), after.begin() + 65536));
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 65536, after.begin()));
}

TEST_F(LinuxDevices, LoopDeviceRefusesToEject)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    LoopDevice loop(1 << 20);
    if (!loop.Attached())
        GTEST_SKIP() << "no loop device could be attached";
    const BlockSnapshot snapshot = ProbeBlockDevices();
    const BlockDisk* disk = FindDisk(snapshot, loop.Name());
    ASSERT_NE(disk, nullptr);
    auto drive = OpenBlockDevice(snapshot, RecordOfDisk(*disk, 0), OpenPurpose::Eject);
    ASSERT_NE(drive, nullptr);
    EXPECT_FALSE(drive->Eject());  // a loop device has no medium to eject
}

TEST_F(LinuxDevices, MountedFilesystemIsUnmountedBeforeWriting)
{
    if (const std::string why = MountExt4OnLoop(); !why.empty())
        GTEST_SKIP() << why;
    const BlockSnapshot snapshot = ProbeBlockDevices();
    const BlockDisk* disk = FindDisk(snapshot, loop_->Name());
    ASSERT_NE(disk, nullptr);
    ASSERT_EQ(PlanUnmounts(snapshot, *disk).size(), 1u);
    EXPECT_EQ(PlanUnmounts(snapshot, *disk)[0].mountPoint, mount_->Dir());
    EXPECT_EQ(PlanUnmounts(snapshot, *disk)[0].devicePath, loop_->Path());

    auto writer = OpenBlockDevice(snapshot, RecordOfDisk(*disk, 0), OpenPurpose::WriteWhole);
    EXPECT_NE(writer, nullptr);
    EXPECT_FALSE(IsMountPoint(mount_->Dir()));
}

TEST_F(LinuxDevices, ABusyFilesystemStaysMountedAndKeepsTheDriveFromBeingWritten)
{
    if (const std::string why = MountExt4OnLoop(); !why.empty())
        GTEST_SKIP() << why;
    const int busy = ::open((mount_->Dir() + "/held-open").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(busy, 0);
    const std::vector<uint8_t> device = ReadFileBytes(loop_->File());
    const BlockSnapshot before = ProbeBlockDevices();
    const BlockDisk* disk = FindDisk(before, loop_->Name());
    ASSERT_NE(disk, nullptr);
    DriveProblem problem;
    EXPECT_EQ(OpenBlockDevice(before, RecordOfDisk(*disk, 0), OpenPurpose::WriteWhole, &problem), nullptr);
    EXPECT_EQ(problem.fault, DriveFault::MountBusy);
    EXPECT_EQ(problem.detail, mount_->Dir());
    EXPECT_TRUE(IsMountPoint(mount_->Dir())) << "a busy filesystem must stay where its programs see it";
    ::close(busy);
    EXPECT_TRUE(ReadFileBytes(loop_->File()) == device);

    const BlockSnapshot after = ProbeBlockDevices();
    disk = FindDisk(after, loop_->Name());
    ASSERT_NE(disk, nullptr);
    EXPECT_NE(OpenBlockDevice(after, RecordOfDisk(*disk, 0), OpenPurpose::WriteWhole), nullptr);
    EXPECT_FALSE(IsMountPoint(mount_->Dir()));
}

TEST_F(LinuxDevices, AProgramHoldingTheDriveOpenKeepsItFromBeingWritten)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<uint8_t> original = PatternBytes(1 << 20, 8);
    LoopDevice loop(1 << 20, original);
    if (!loop.Attached())
        GTEST_SKIP() << "no loop device could be attached";
    // A shell's `3<>` opens the device plainly, which an exclusive open does
    // not keep out.
    const CommandResult holder = RunCommand("sleep 60 3<>" + loop.Path() + " >/dev/null 2>&1 & echo $!");
    ASSERT_TRUE(holder.ok);
    const std::string pid = holder.out;
    for (int i = 0; i < 100 && !fs::exists("/proc/" + pid + "/fd/3"); ++i)
        ::usleep(10000);
    const BlockSnapshot snapshot = ProbeBlockDevices();
    const BlockDisk* disk = FindDisk(snapshot, loop.Name());
    ASSERT_NE(disk, nullptr);
    DriveProblem problem;
    EXPECT_EQ(OpenBlockDevice(snapshot, RecordOfDisk(*disk, 0), OpenPurpose::WriteWhole, &problem), nullptr);
    EXPECT_EQ(problem.fault, DriveFault::HeldOpen);
    EXPECT_EQ(problem.detail, "pid " + pid + " (sleep)");
    RunCommand("kill " + pid);
    EXPECT_TRUE(ReadFileBytes(loop.File()) == original);
}

// Image paths that name a drive, or a file stored on the drive itself, are
// refused before any question; nothing changes anywhere.
TEST_F(LinuxDevices, ImagePathsOnOrOfADriveAreRefused)
{
    if (const std::string why = MountExt4OnLoop(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<uint8_t> content = PatternBytes(1 << 20, 6);
    LoopDevice other(1 << 20, content);
    if (!other.Attached())
        GTEST_SKIP() << "no second loop device could be attached";
    const std::string mounted = "PHYSICALDRIVE" + std::to_string(DriveNumberOf(loop_->Path()));
    const std::string plain = "PHYSICALDRIVE" + std::to_string(DriveNumberOf(other.Path()));
    const std::string link = (fs::temp_directory_path() / ("kvi-link-" + std::to_string(::getpid()) + ".kvi")).string();
    fs::create_symlink(other.Path(), link);
    const std::string onCard = mount_->Dir() + "/card.kvi";
    WriteFileBytes(onCard, {1, 2, 3});
    struct Case {
        const char* what;
        bool restore;
        std::string drive;
        std::string path;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"create through a link to another drive", false, mounted, link, "is a device, not a file"},
        {"restore from the target itself", true, plain, other.Path(), "is a device, not a file"},
        {"restore from a file on the target", true, mounted, onCard, "the drive it would overwrite"},
        {"create into a folder on the imaged drive", false, mounted, mount_->Dir() + "/new.kvi",
         "the drive being imaged"},
        {"create over a file on the imaged drive", false, mounted, onCard, "the drive being imaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMessages messages;
        messages.Answer(IDOK);
        ImageHeader header;
        const int32_t result =
            c.restore ? RestoreImageCommand(c.drive, c.path) : CreateImageCommand(c.drive, c.path, header);
        EXPECT_EQ(result, COMMAND_REFUSED);
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_NE(messages.Shown()[0].prompt.find(c.says), std::string::npos) << messages.Shown()[0].prompt;
    }
    EXPECT_TRUE(ReadFileBytes(other.File()) == content);
    EXPECT_EQ(ReadFileBytes(onCard), std::vector<uint8_t>({1, 2, 3}));
    EXPECT_FALSE(fs::exists(mount_->Dir() + "/new.kvi"));
    EXPECT_TRUE(IsMountPoint(mount_->Dir()));
    ::unlink(link.c_str());
}

TEST_F(LinuxDevices, ImageOfALoopDeviceRestoresOntoAnotherWithItsFilesystemUnmounted)
{
    if (const std::string why = MountExt4OnLoop(); !why.empty())
        GTEST_SKIP() << why;
    const std::vector<uint8_t> content = PatternBytes(8 << 20, 3);
    LoopDevice source(8 << 20, content);
    if (!source.Attached())
        GTEST_SKIP() << "no second loop device could be attached";
    const int from = DriveNumberOf(source.Path());
    const int to = DriveNumberOf(loop_->Path());
    ASSERT_GE(from, 0);
    ASSERT_GE(to, 0);
    const std::string image = (fs::temp_directory_path() / ("kvi-loop-" + std::to_string(::getpid()) + ".kvi")).string();

    ScriptedMessages messages;
    messages.Answer(IDYES);  // the restore warning
    ImageHeader header;
    EXPECT_EQ(CreateImage("PHYSICALDRIVE" + std::to_string(from), image, header), 1);
    EXPECT_EQ(header.DriveSize, 8 << 20);
    EXPECT_EQ(RestoreImage("PHYSICALDRIVE" + std::to_string(to), image), 1);
    EXPECT_EQ(messages.Shown().size(), 1u);
    EXPECT_FALSE(IsMountPoint(mount_->Dir()));
    EXPECT_TRUE(ReadFileBytes(loop_->File()) == content);
    ::unlink(image.c_str());
}

// While the question before a transfer waits, a loop device is attached and
// an earlier one detached, which moves the drive numbers: the transfer works
// on the chosen disk alone, and no other disk changes.
TEST_F(LinuxDevices, NumbersMovingWhileAQuestionWaitsLeaveTheOtherDisksAlone)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    constexpr int64_t kSize = 1 << 20;
    enum class Command { Restore, Create, Clone };
    for (const Command command : {Command::Restore, Command::Create, Command::Clone}) {
        SCOPED_TRACE(static_cast<int>(command));
        const std::string image =
            (fs::temp_directory_path() / ("kvi-moving-" + std::to_string(::getpid()) + ".kvi")).string();
        const std::vector<uint8_t> fromImage = PatternBytes(kSize, 40);
        {
            LoopDevice source(kSize, fromImage);
            if (!source.Attached())
                GTEST_SKIP() << "no loop device could be attached";
            ScriptedMessages quiet;
            ImageHeader header;
            ASSERT_EQ(CreateImage("PHYSICALDRIVE" + std::to_string(DriveNumberOf(source.Path())), image, header), 1);
        }
        auto first = std::make_unique<LoopDevice>(kSize, PatternBytes(kSize, 41));
        LoopDevice target(kSize, PatternBytes(kSize, 42));
        LoopDevice last(kSize, PatternBytes(kSize, 43));
        std::unique_ptr<LoopDevice> newcomer;
        ASSERT_TRUE(first->Attached() && target.Attached() && last.Attached());
        const std::vector<uint8_t> targetBefore = ReadFileBytes(target.File());
        const std::string drive = "PHYSICALDRIVE" + std::to_string(DriveNumberOf(target.Path()));
        auto moveNumbers = [&] {
            newcomer = std::make_unique<LoopDevice>(kSize, PatternBytes(kSize, 44));
            first->Detach();
        };

        ScriptedMessages messages;
        int32_t result = 0;
        if (command == Command::Restore) {
            messages.Answer(IDYES, moveNumbers);
            result = RestoreImage(drive, image);
        } else if (command == Command::Create) {
            messages.Answer(IDYES, moveNumbers);  // overwrite the image file
            ImageHeader header;
            result = CreateImage(drive, image, header);
        } else {
            messages.Answer(IDOK).Answer(IDYES, moveNumbers).Answer(IDOK);  // swap, warning, success
            result = CloneDrive(drive, "Physical Drive");
        }
        EXPECT_EQ(result, 1);
        const std::vector<uint8_t> targetExpected = command == Command::Restore ? fromImage : targetBefore;
        EXPECT_TRUE(ReadFileBytes(target.File()) == targetExpected);
        if (command == Command::Create) {
            EXPECT_TRUE(ImageDriveBytes(image) == targetBefore);
        }
        EXPECT_TRUE(ReadFileBytes(first->File()) == PatternBytes(kSize, 41));
        EXPECT_TRUE(ReadFileBytes(last.File()) == PatternBytes(kSize, 43));
        ASSERT_TRUE(newcomer && newcomer->Attached());
        EXPECT_TRUE(ReadFileBytes(newcomer->File()) == PatternBytes(kSize, 44));
        ::unlink(image.c_str());
    }
}

// The check after a restore, and `kvi verify`, read the medium itself: a
// change made to the loop device's backing file behind the device's page
// cache is seen.
TEST_F(LinuxDevices, VerifyReadsPastThePageCache)
{
    if (const std::string why = WhyNoLoopDevices(); !why.empty())
        GTEST_SKIP() << why;
    constexpr int64_t kSize = 4 << 20;
    const std::vector<uint8_t> content = PatternBytes(kSize, 31);
    LoopDevice source(kSize, content);
    LoopDevice target(kSize);
    if (!source.Attached() || !target.Attached())
        GTEST_SKIP() << "no two loop devices could be attached";
    const std::string image = (fs::temp_directory_path() / ("kvi-verify-" + std::to_string(::getpid()) + ".kvi")).string();
    const std::string from = "PHYSICALDRIVE" + std::to_string(DriveNumberOf(source.Path()));
    const std::string to = "PHYSICALDRIVE" + std::to_string(DriveNumberOf(target.Path()));
    ScriptedMessages messages;
    messages.Answer(IDYES);
    ImageHeader header;
    ASSERT_EQ(CreateImage(from, image, header), 1);
    ASSERT_EQ(RestoreImage(to, image), 1);  // written, then read back and compared
    EXPECT_EQ(VerifyImage(to, image).outcome, VerifyOutcome::Same);

    // The device's pages stay cached while someone has it open: read it
    // once through the cache, then change the file beneath.
    const int cached = ::open(target.Path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(cached, 0);
    std::vector<uint8_t> seen(kSize);
    ASSERT_EQ(::pread(cached, seen.data(), seen.size(), 0), static_cast<ssize_t>(kSize));
    constexpr int64_t kChanged = 3000001;
    ASSERT_TRUE(RunCommand("printf '\\377' | dd of='" + target.File() + "' bs=1 seek=" + std::to_string(kChanged) +
                           " conv=notrunc status=none")
                    .ok);
    const VerifyResult result = VerifyImage(to, image);
    EXPECT_EQ(result.outcome, VerifyOutcome::Differs);
    EXPECT_EQ(result.at, kChanged);
    ::close(cached);
    ::unlink(image.c_str());
}

}  // namespace
