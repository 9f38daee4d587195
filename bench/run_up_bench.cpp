// The run-up of --start: the built-in show captured from 100 s (one frame) against the same
// capture from 0 s, measured in the same run. The difference is the run-up; it is given against
// the show time it skips, in wall-clock and processor seconds (the machine may be shared).
// Usage: run_up_bench [BUILD_DIR] [START_SECONDS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Timing {
    double wall = 0;       // seconds until the player exits after its first frame
    double processor = 0;  // user and system seconds of the player
};

double processorSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One capture of a single frame at `start` seconds; the best of `runs`.
Timing firstFrame(const fs::path& player, double start, int runs)
{
    Timing best{1e9, 1e9};
    const fs::path folder = fs::temp_directory_path() / ("velmora-run-up-bench-" + std::to_string(::getpid()));
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(folder);
        const std::string command = "'" + player.string() + "' --headless --fps 60 --duration 0.016 --start " +
                                    std::to_string(start) + " --capture '" + folder.string() + "' >/dev/null 2>&1";
        const double processorBefore = processorSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        if (status != 0) {
            std::fprintf(stderr, "run_up_bench: the player failed (%d)\n", status);
            std::exit(1);
        }
        best.wall = std::min(best.wall, wall);
        best.processor = std::min(best.processor, processorSeconds() - processorBefore);
    }
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
