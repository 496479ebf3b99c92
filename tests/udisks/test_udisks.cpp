// The udisks2 way to drives, as an ordinary user meets it: kvi run as a user
// who is neither root nor in the group `disk`, against a private bus, udev,
// polkit and udisks2 (tests/udisks/sandbox.sh) and loop devices. Needs root
// to set that up; skips, saying why, where it cannot.
#include "ShellCommand.h"
#include "SimulatedDrives.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUser = "korvalith-test";
constexpr int64_t MiB = 1 << 20;

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The sandbox, the unprivileged user and a folder of theirs, for the whole
// test program; the loop tests of other programs take turns with it.
class Sandbox : public testing::Environment {
public:
    static Sandbox* Get() { return instance; }

    void SetUp() override
    {
        instance = this;
        if (::geteuid() != 0) {
            why = "not running as root";
            return;
        }
        for (const char* tool : {"losetup", "unshare", "udisksctl", "mkfs.ext4", "useradd"})
            if (!RunCommand(std::string("command -v ") + tool).ok) {
                why = std::string(tool) + " is not installed";
                return;
            }
        lock_ = ::open((fs::temp_directory_path() / "korvalith-loop-tests.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC,
                       0600);
        if (lock_ >= 0)
            ::flock(lock_, LOCK_EX);
        if (!::getpwnam(kUser)) {
            if (!RunCommand(std::string("useradd --system --no-create-home --shell /usr/sbin/nologin ") + kUser).ok) {
                why = "the test user could not be made";
                return;
            }
            madeUser_ = true;
        }
        const passwd* user = ::getpwnam(kUser);
        uid = user->pw_uid;
        gid = user->pw_gid;
        std::string templ = (fs::temp_directory_path() / "kvi-udisks-XXXXXX").string();
        if (!::mkdtemp(templ.data())) {
            why = "no temporary folder";
            return;
        }
        dir = templ;
        ::chmod(dir.c_str(), 0755);
        home = dir + "/home";
        fs::create_directories(home);
        // Copies the user can run wherever the build lives.
        for (const auto& [from, to] : {std::pair{KVI_PATH, "kvi"}, std::pair{HOLD_PATH, "udisks_hold"}})
            fs::copy_file(from, home + "/" + to);
        RunCommand("chown -R " + std::to_string(uid) + ":" + std::to_string(gid) + " '" + home + "'");
        const CommandResult started = RunCommand(std::string("'") + SANDBOX_PATH + "' start '" + dir + "/sandbox' " + kUser);
        if (!started.ok || started.out.rfind("DBUS_SYSTEM_BUS_ADDRESS=", 0) != 0) {
            why = "udisks2 could not be started here (see " + dir + "/sandbox/*.log)";
            keepDir_ = true;
            return;
        }
        bus = started.out.substr(std::string("DBUS_SYSTEM_BUS_ADDRESS=").size());
    }

    void TearDown() override
    {
        if (!dir.empty()) {
            RunCommand(std::string("'") + SANDBOX_PATH + "' stop '" + dir + "/sandbox'");
            if (!keepDir_) {
                std::error_code ec;
                fs::remove_all(dir, ec);
            }
        }
        if (madeUser_)
            RunCommand(std::string("userdel ") + kUser);
        if (lock_ >= 0)
            ::close(lock_);
    }

    // Runs a step of the sandbox script; returns whether it succeeded.
    bool Step(const std::string& step) const
    {
        return RunCommand(std::string("'") + SANDBOX_PATH + "' " + step.substr(0, step.find(' ')) + " '" + dir +
                     "/sandbox'" + (step.find(' ') == std::string::npos ? "" : step.substr(step.find(' '))))
            .ok;
    }

    std::string why;  // why the tests cannot run; "" when they can
    std::string dir, home, bus;
    uid_t uid = 0;
    gid_t gid = 0;

private:
    static inline Sandbox* instance = nullptr;
    int lock_ = -1;
    bool madeUser_ = false;
    bool keepDir_ = false;
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Sandbox);

struct UserRun {
    int status = -1;
    std::string out, err;
};

// Starts a program as the test user in `cwd`, with standard output and
// error into the files; `access` sets KORVALITH_DRIVE_ACCESS. Returns its pid.
pid_t StartAsUser(const std::vector<std::string>& args, const std::string& cwd, const std::string& out,
                  const std::string& err, const std::string& access = "")
{
    const Sandbox& box = *Sandbox::Get();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (::chdir(cwd.c_str()) != 0 || ::setgroups(0, nullptr) != 0 || ::setresgid(box.gid, box.gid, box.gid) != 0 ||
        ::setresuid(box.uid, box.uid, box.uid) != 0)
        ::_exit(126);
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + box.home, "TMPDIR=" + box.home, "LC_ALL=C",
                                    "DBUS_SYSTEM_BUS_ADDRESS=" + box.bus};
    if (!access.empty())
        env.push_back("KORVALITH_DRIVE_ACCESS=" + access);
    std::vector<char*> argv, envp;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& v : env)
        envp.push_back(const_cast<char*>(v.c_str()));
    envp.push_back(nullptr);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

// Runs kvi as the test user and waits for it.
UserRun Kvi(const std::vector<std::string>& args, const std::string& access = "")
{
    const Sandbox& box = *Sandbox::Get();
    std::vector<std::string> line = {box.home + "/kvi"};
    line.insert(line.end(), args.begin(), args.end());
    const std::string out = box.dir + "/kvi.out", err = box.dir + "/kvi.err";
    const pid_t pid = StartAsUser(line, box.home, out, err, access);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Contents(out), Contents(err)};
}

// A loop device over a file of the sandbox's folder that udisks2 knows;
// detached and removed when it goes.
class Loop {
public:
    Loop(int64_t size, const std::vector<uint8_t>& bytes, bool ext4 = false)
    {
        const Sandbox& box = *Sandbox::Get();
        static int count = 0;
        file_ = box.dir + "/disk" + std::to_string(count++) + ".img";
        WriteFileBytes(file_, bytes);
        fs::resize_file(file_, static_cast<uintmax_t>(size));
        if (ext4 && !RunCommand("mkfs.ext4 -q -F '" + file_ + "'").ok)
            return;
        const CommandResult attached = RunCommand("losetup -f --show '" + file_ + "'");
        if (attached.ok && box.Step("wait-device " + attached.out))
            path_ = attached.out;
    }
    ~Loop()
    {
        if (!path_.empty()) {
            for (const std::string& mount : Mounts())
                RunCommand("umount '" + mount + "'");
            RunCommand("losetup -d " + path_);
        }
        ::unlink(file_.c_str());
    }
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    bool Attached() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::vector<uint8_t> Bytes() const { return ReadFileBytes(file_); }
    std::vector<std::string> Mounts() const
    {
        std::vector<std::string> mounts;
        std::istringstream lines(RunCommand("findmnt -n -o TARGET --source " + path_).out);
        for (std::string line; std::getline(lines, line);)
            mounts.push_back(line);
        return mounts;
    }
    // Mounts the filesystem for the test user through udisks2; returns where.
    std::string MountAsUser() const
    {
        const Sandbox& box = *Sandbox::Get();
        const pid_t pid = StartAsUser({"/usr/bin/udisksctl", "mount", "--no-user-interaction", "-b", path_}, box.home,
                                      box.dir + "/mount.out", box.dir + "/mount.err");
        int status = 0;
        ::waitpid(pid, &status, 0);
        const auto mounts = Mounts();
        return mounts.empty() ? std::string() : mounts.front();
    }

private:
    std::string file_;
    std::string path_;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class Udisks : public testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::Get()->why.empty())
            GTEST_SKIP() << Sandbox::Get()->why;
    }
    std::string Home(const std::string& name) const { return Sandbox::Get()->home + "/" + name; }
};

TEST_F(Udisks, AUserListsImagesAndRestoresThroughUdisks)
{
    const std::vector<uint8_t> content = PatternBytes(4 * MiB, 11);
    Loop source(4 * MiB, content);
    Loop target(4 * MiB, {});
    ASSERT_TRUE(source.Attached() && target.Attached());

    const UserRun drives = Kvi({"drives"});
    EXPECT_EQ(drives.status, 0);
    EXPECT_TRUE(Has(drives.out, "\t" + source.Path() + "\t")) << drives.out;

    const UserRun forced = Kvi({"create", source.Path(), Home("forced.kvi"), "--yes"}, "udisks");
    ASSERT_EQ(forced.status, 0) << forced.err;
    const UserRun chosen = Kvi({"create", source.Path(), Home("chosen.kvi"), "--yes"});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_TRUE(ReadFileBytes(Home("forced.kvi")) == ReadFileBytes(Home("chosen.kvi")));

    const UserRun restored = Kvi({"--yes", "restore", Home("chosen.kvi"), target.Path()});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_TRUE(target.Bytes() == content);

    // The direct way is closed to this user; the message says what to do.
    const UserRun direct = Kvi({"create", source.Path(), Home("direct.kvi"), "--yes"}, "direct");
    EXPECT_EQ(direct.status, 4);
    EXPECT_TRUE(Has(direct.err, "No permission to open " + source.Path())) << direct.err;
}

TEST_F(Udisks, TheUsersOwnFilesystemIsUnmountedThroughUdisksFirst)
{
    Loop blank(8 * MiB, {});
    Loop card(8 * MiB, {}, true);
    ASSERT_TRUE(blank.Attached() && card.Attached());
    ASSERT_EQ(Kvi({"create", blank.Path(), Home("blank.kvi"), "--yes"}).status, 0);
    const std::string mount = card.MountAsUser();
    ASSERT_FALSE(mount.empty()) << Contents(Sandbox::Get()->dir + "/mount.err");

    const UserRun run = Kvi({"--yes", "restore", Home("blank.kvi"), card.Path()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(IsMountPoint(mount));
    EXPECT_TRUE(card.Bytes() == blank.Bytes());
}

TEST_F(Udisks, BusyMountsMountsOfOthersAndHoldersKeepTheRestoreOff)
{
    const Sandbox& box = *Sandbox::Get();
    Loop blank(8 * MiB, {});
    Loop card(8 * MiB, {}, true);
    ASSERT_TRUE(blank.Attached() && card.Attached());
    ASSERT_EQ(Kvi({"create", blank.Path(), Home("blank.kvi"), "--yes"}).status, 0);
    auto restore = [&] { return Kvi({"--yes", "restore", Home("blank.kvi"), card.Path()}); };
    // Mounting writes to the filesystem itself; a restore of the blank
    // image would wipe its superblock.
    auto stillExt4 = [&] {
        const std::vector<uint8_t> bytes = card.Bytes();
        return bytes.size() > 1081 && bytes[1080] == 0x53 && bytes[1081] == 0xEF;
    };

    // A terminal of the user inside the card's filesystem keeps it busy.
    const std::string mount = card.MountAsUser();
    ASSERT_FALSE(mount.empty());
    const pid_t inside = StartAsUser({"/bin/sleep", "60"}, mount, "/dev/null", "/dev/null");
    ::usleep(200000);
    const UserRun busy = restore();
    EXPECT_EQ(busy.status, 4);
    EXPECT_TRUE(Has(busy.err, mount + " (on " + card.Path() + ") is busy and stays mounted")) << busy.err;
    EXPECT_TRUE(IsMountPoint(mount));
    EXPECT_TRUE(stillExt4());
    ::kill(inside, SIGKILL);
    ::waitpid(inside, nullptr, 0);
    RunCommand("umount '" + mount + "'");

    // Mounted by someone else: the user may not unmount it.
    const std::string other = box.dir + "/other-mount";
    fs::create_directories(other);
    ASSERT_TRUE(RunCommand("mount " + card.Path() + " '" + other + "'").ok);
    const UserRun foreign = restore();
    EXPECT_EQ(foreign.status, 4);
    EXPECT_TRUE(Has(foreign.err, other + " is mounted from " + card.Path() + " and you may not unmount it"))
        << foreign.err;
    EXPECT_TRUE(IsMountPoint(other));
    RunCommand("umount '" + other + "'");
    EXPECT_TRUE(stillExt4());

    // Another program of the user has the card open.
    const std::vector<uint8_t> before = card.Bytes();
    const std::string said = box.dir + "/hold.out";
    const pid_t holder = StartAsUser({box.home + "/udisks_hold", card.Path()}, box.home, said, "/dev/null");
    for (int i = 0; i < 500 && !Has(Contents(said), "holding"); ++i)
        ::usleep(10000);
    const UserRun held = restore();
    EXPECT_EQ(held.status, 4);
    EXPECT_TRUE(Has(held.err, "is open in other programs: pid " + std::to_string(holder) + " (udisks_hold)"))
        << held.err;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_TRUE(card.Bytes() == before);
}

TEST_F(Udisks, WithoutAuthorisationOrUdisksTheUserIsToldWhatToDo)
{
    const Sandbox& box = *Sandbox::Get();
    const std::vector<uint8_t> content = PatternBytes(2 * MiB, 12);
    Loop card(2 * MiB, content);
    ASSERT_TRUE(card.Attached());
    ASSERT_EQ(Kvi({"create", card.Path(), Home("card.kvi"), "--yes"}).status, 0);

    ASSERT_TRUE(box.Step(std::string("grant ") + kUser + " 0"));
    const UserRun refused = Kvi({"--yes", "restore", Home("card.kvi"), card.Path()});
    EXPECT_EQ(refused.status, 4);
    EXPECT_TRUE(Has(refused.err, "Not authorised to use " + card.Path())) << refused.err;
    ASSERT_TRUE(box.Step(std::string("grant ") + kUser + " 1"));

    ASSERT_TRUE(box.Step("stop-udisks"));
    const UserRun absent = Kvi({"create", card.Path(), Home("again.kvi"), "--yes"});
    EXPECT_EQ(absent.status, 4);
    EXPECT_TRUE(Has(absent.err, "can only be reached through udisks2, which is not running")) << absent.err;
    EXPECT_TRUE(box.Step("start-udisks"));
    EXPECT_TRUE(card.Bytes() == content);
}

}  // namespace
