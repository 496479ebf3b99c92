#include "ShellCommand.h"

#include <cstdio>
#include <fstream>

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return result;
    char chunk[256];
    while (const size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
        result.out.append(chunk, n);
    result.ok = ::pclose(pipe) == 0;
    while (!result.out.empty() && result.out.back() == '\n')
        result.out.pop_back();
    return result;
}

bool IsMountPoint(const std::string& dir)
{
    std::ifstream in("/proc/self/mountinfo");
    for (std::string line; std::getline(in, line);)
        if (line.find(" " + dir + " ") != std::string::npos)
            return true;
    return false;
}
