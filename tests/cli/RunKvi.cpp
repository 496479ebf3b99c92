#include "RunKvi.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string TempFile(const std::string& contents)
{
    char path[] = "/tmp/kvi-run-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd >= 0) {
        [[maybe_unused]] auto n = ::write(fd, contents.data(), contents.size());
        ::close(fd);
    }
    return path;
}

std::string TakeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    ::unlink(path.c_str());
    return s.str();
}
}  // namespace

namespace {
// Starts kvi with standard input from `inputFd` and the outputs into the
// files; returns its pid.
pid_t StartKvi(const std::vector<std::string>& args, const std::string& drivesDir, int inputFd, const std::string& out,
               const std::string& err)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fdOut = ::open(out.c_str(), O_WRONLY | O_TRUNC);
        const int fdErr = ::open(err.c_str(), O_WRONLY | O_TRUNC);
        ::dup2(inputFd, 0);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        ::setenv("KORVALITH_SIMULATED_DRIVES", drivesDir.c_str(), 1);
        // The clone's temporary image goes beside the drives, so tests
        // running side by side never meet at its fixed name.
        ::setenv("TMPDIR", drivesDir.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(KVI_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KVI_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

KviRun Finish(pid_t pid, const std::string& out, const std::string& err)
{
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    KviRun run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    run.out = TakeFile(out);
    run.err = TakeFile(err);
    return run;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
}  // namespace

KviRun RunKvi(const std::vector<std::string>& args, const std::string& drivesDir, const std::string& input)
{
    // Files rather than pipes: nothing to deadlock on, whatever the sizes.
    const std::string in = TempFile(input), out = TempFile(""), err = TempFile("");
    const int fdIn = ::open(in.c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t pid = StartKvi(args, drivesDir, fdIn, out, err);
    ::close(fdIn);
    ::unlink(in.c_str());
    return Finish(pid, out, err);
}

KviRun RunKviStepwise(const std::vector<std::string>& args, const std::string& drivesDir,
                      const std::vector<KviStep>& steps)
{
    // kvi may end before it has read every answer.
    ::signal(SIGPIPE, SIG_IGN);
    const std::string out = TempFile(""), err = TempFile("");
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = StartKvi(args, drivesDir, input[0], out, err);
    ::close(input[0]);
    for (const KviStep& step : steps) {
        for (int waited = 0; Contents(err).find(step.waitFor) == std::string::npos && waited < 2000; ++waited)
            ::usleep(10000);
        if (step.action)
            step.action();
        const std::string line = step.answer + "\n";
        [[maybe_unused]] auto n = ::write(input[1], line.data(), line.size());
    }
    ::close(input[1]);
    return Finish(pid, out, err);
}
