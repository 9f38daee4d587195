// Timing a command run as a child process: wall-clock and processor seconds, the best of
// several runs (the machine may be shared).
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace velmora::bench {

struct Timing {
    double wall = 0;       // seconds from launch to exit
    double processor = 0;  // user and system seconds of the child
};

inline double childProcessorSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `command` through the shell `runs` times; each figure is its best. Exits the benchmark
// when the command fails (`what` names it).
inline Timing timeCommand(const std::string& command, int runs, const char* what)
{
    Timing best{1e9, 1e9};
    for (int i = 0; i < runs; ++i) {
        const double processorBefore = childProcessorSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        if (status != 0) {
            std::fprintf(stderr, "%s failed (%d): %s\n", what, status, command.c_str());
            std::exit(1);
        }
        best.wall = std::min(best.wall, wall);
        best.processor = std::min(best.processor, childProcessorSeconds() - processorBefore);
    }
    return best;
}

}  // namespace velmora::bench
