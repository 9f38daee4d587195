// Runs a shell command for the tests that drive the built programs.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace velmora::testing {

// Runs `command` with its error stream joined to its output, which is appended to `output`;
// its exit status, -1 when it did not exit.
inline int runCommand(const std::string& command, std::string& output)
{
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmora::testing
