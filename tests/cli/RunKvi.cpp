#include "RunKvi.h"

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

KviRun RunKvi(const std::vector<std::string>& args, const std::string& drivesDir, const std::string& input)
{
    // Files rather than pipes: nothing to deadlock on, whatever the sizes.
    const std::string in = TempFile(input), out = TempFile(""), err = TempFile("");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fdIn = ::open(in.c_str(), O_RDONLY);
        const int fdOut = ::open(out.c_str(), O_WRONLY | O_TRUNC);
        const int fdErr = ::open(err.c_str(), O_WRONLY | O_TRUNC);
        ::dup2(fdIn, 0);
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
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    KviRun run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    ::unlink(in.c_str());
    run.out = TakeFile(out);
    run.err = TakeFile(err);
    return run;
}
