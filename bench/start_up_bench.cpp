// Launch to the first frame: the release player (dist/velmora-linux-x86_64, everything linked
// in) against the normal build's player, measured in the same run. Each is timed three ways, so
// that the differences say where the time goes:
//   program  `--version`: loading the program and its libraries, nothing else;
//   GL       a one-effect show's first frame: the GL context and its first drawing;
//   show     the built-in show's first frame: everything, loading the show included.
// The first frame is captured and the player exits: offscreen (OSMesa) always, and in a window
// too when DISPLAY names one (scripts/run-benchmarks starts Xvfb for it).
// Usage: start_up_bench [BUILD_DIR] [RELEASE_PLAYER]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/process_timing.h"

namespace {

namespace fs = std::filesystem;
using velmora::bench::Timing;

constexpr int kRuns = 5;

struct StartUp {
    Timing program;
    Timing gl;
    Timing show;
};

StartUp measure(const fs::path& player, const fs::path& scratch, const fs::path& tinyShow, bool window)
{
    const std::string quoted = "'" + player.string() + "'";
    const std::string capture = std::string(window ? " --windowed" : " --headless") +
                                " --fps 60 --duration 0.016 --capture '" + (scratch / "frames").string() +
                                "' >/dev/null 2>&1";
    const std::string clean = "rm -rf '" + (scratch / "frames").string() + "' && ";
    StartUp s;
    s.program = velmora::bench::timeCommand(quoted + " --version >/dev/null", kRuns, "start_up_bench: --version");
    s.gl = velmora::bench::timeCommand(
        clean + quoted + " --data '" + tinyShow.string() + "'" + capture, kRuns, "start_up_bench: the one-effect show");
    s.show = velmora::bench::timeCommand(clean + quoted + capture, kRuns, "start_up_bench: the built-in show");
    return s;
}

void print(const char* what, const Timing& normal, const Timing& release)
{
    std::printf(
        "%-8s normal %.3f s wall %.3f s processor   release %.3f s wall %.3f s processor   "
        "release/normal %.2f wall %.2f processor\n",
        what,
        normal.wall,
        normal.processor,
        release.wall,
        release.processor,
        release.wall / normal.wall,
        release.processor / normal.processor);
}

}  // namespace

int main(int argc, char** argv)
{
    const fs::path build = argc > 1 ? argv[1] : "build";
    const fs::path release = argc > 2 ? argv[2] : "dist/velmora-linux-x86_64";
    if (!fs::exists(release)) {
        std::fprintf(stderr, "start_up_bench: no release player at %s (make release)\n", release.c_str());
        return 1;
    }
    const fs::path scratch = fs::temp_directory_path() / ("velmora-start-up-bench-" + std::to_string(::getpid()));
    fs::create_directories(scratch / "tiny" / "data");
    std::ofstream(scratch / "tiny" / "data" / "script.txt")
        << "<demo><create></create><add type=\"clear\" name=\"black\"></add><load effect=\"black\"></load>"
           "<event time=\"0\"><draworder effect=\"black\"></draworder></event><run></run></demo>\n";

    const char* display = std::getenv("DISPLAY");
    for (const bool window : {false, true}) {
        if (window && (!display || !*display))
            break;
        const StartUp normal = measure(build / "velmora", scratch, scratch / "tiny", window);
        const StartUp portable = measure(release, scratch, scratch / "tiny", window);
        std::printf("launch to first frame, best of %d, %s:\n", kRuns, window ? "in a window" : "offscreen (OSMesa)");
        print("program", normal.program, portable.program);
        print("GL", normal.gl, portable.gl);
        print("show", normal.show, portable.show);
        std::printf(
            "where the release player's time goes: program %.3f s, GL context and first drawing %.3f s, "
            "loading the show %.3f s\n",
            portable.program.wall,
            portable.gl.wall - portable.program.wall,
            portable.show.wall - portable.gl.wall);
    }
    fs::remove_all(scratch);
    return 0;
}
