// The run-up of --start: the built-in show captured from 100 s (one frame) against the same
// capture from 0 s, measured in the same run. The difference is the run-up; it is given against
// the show time it skips, in wall-clock and processor seconds (the machine may be shared).
// Usage: run_up_bench [BUILD_DIR] [START_SECONDS]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/process_timing.h"

namespace {

namespace fs = std::filesystem;
using velmora::bench::Timing;

// One capture of a single frame at `start` seconds; the best of `runs`.
Timing firstFrame(const fs::path& player, double start, int runs)
{
    const fs::path folder = fs::temp_directory_path() / ("velmora-run-up-bench-" + std::to_string(::getpid()));
    const std::string command = "rm -rf '" + folder.string() + "' && '" + player.string() +
                                "' --headless --fps 60 --duration 0.016 --start " + std::to_string(start) +
                                " --capture '" + folder.string() + "' >/dev/null 2>&1";
    const Timing best = velmora::bench::timeCommand(command, runs, "run_up_bench: the player");
    fs::remove_all(folder);
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const fs::path build = argc > 1 ? argv[1] : "build";
    const double start = argc > 2 ? std::atof(argv[2]) : 100.0;
    const fs::path player = build / "velmora";
    constexpr int kRuns = 3;
    const Timing baseline = firstFrame(player, 0, kRuns);
    const Timing started = firstFrame(player, start, kRuns);
    const double wall = started.wall - baseline.wall;
    const double processor = started.processor - baseline.processor;
    std::printf("first frame at 0 s (loading, baseline): %.2f s wall, %.2f s processor\n", baseline.wall,
                baseline.processor);
    std::printf("first frame at %.0f s: %.2f s wall, %.2f s processor\n", start, started.wall, started.processor);
    std::printf("run-up of %.0f s of show: %.2f s wall (%.0fx real time), %.2f s processor (%.0fx)\n", start, wall,
                wall > 0 ? start / wall : 0.0, processor, processor > 0 ? start / processor : 0.0);
    return 0;
}
