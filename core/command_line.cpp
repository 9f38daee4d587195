// The player's command line: script name, data source, and how the show is presented.
#include "core/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "core/display_settings.h"

namespace velmora {

namespace {

constexpr int kMaxFps = 1000;
constexpr int kMaxStepFps = 6000;
constexpr int kViewerFps = 60;
constexpr double kMaxShowSeconds = 86400;  // a day of show: frame counts stay far from wrapping

// A whole decimal number within [minimum, maximum], nothing else in the text.
bool readInt(const char* text, int minimum, int maximum, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || number < minimum || number > maximum)
        return false;
    value = static_cast<int>(number);
    return true;
}

bool readSeconds(const char* text, double& value, bool zeroAllowed = false)
{
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(number) || number < 0 || (number == 0 && !zeroAllowed))
        return false;
    value = number;
    return true;
}

// "WxH", both sides whole positive numbers.
bool readSize(const char* text, int& width, int& height)
{
    const char* x = std::strchr(text, 'x');
    if (!x)
        return false;
    const std::string left(text, x);
    return readInt(left.c_str(), 1, kMaxWindowSide, width) && readInt(x + 1, 1, kMaxWindowSide, height);
}

// The smallest multiple of `fps` from 60 up (or `fps` itself above 60): a capture written at a
// low rate still steps the show about as a viewer at 60 frames a second sees it.
int defaultStepFps(int fps)
{
    return fps >= kViewerFps ? fps : (kViewerFps + fps - 1) / fps * fps;
}

CommandLine fail(CommandLine line, std::string reason)
{
    line.action = CommandLine::Action::Error;
    line.error = std::move(reason);
    return line;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool& scriptGiven = line.scriptGiven;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        // Options begin with "--"; a single dash is refused as an option too, not taken as a name.
        if (argument.size() < 2 || argument[0] != '-') {
            if (scriptGiven)
                return fail(line, "more than one script name: " + argument);
            if (argument.empty() || argument.size() > kMaxScriptName)
                return fail(line, "the script name must have 1 to 255 characters");
            line.script = argument;
            scriptGiven = true;
            continue;
        }

        if (argument == "--help") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (argument == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (argument == "--check") {
            if (line.action == CommandLine::Action::Run)
                line.action = CommandLine::Action::Check;
            continue;
        }
        if (argument == "--headless") {
            line.run.output = RunOptions::Output::Headless;
            continue;
        }
        if (argument == "--stats") {
            line.run.stats = true;
            continue;
        }
        if (argument == "--loop") {
            line.run.loop = true;
            continue;
        }
        if (argument == "--watch") {
            line.run.watch = true;
            continue;
        }
        if (argument == "--no-vsync") {
            line.run.vsync = false;
            continue;
        }
        if (argument == "--fullscreen" || argument == "--windowed") {
            line.run.fullscreen = argument == "--fullscreen";
            continue;
        }

        const bool takesValue = argument == "--data" || argument == "--capture" || argument == "--fps" ||
                                argument == "--step-fps" || argument == "--duration" || argument == "--size" ||
                                argument == "--start" || argument == "--new" || argument == "--unpack";
        if (!takesValue)
            return fail(line, "unknown option " + argument);
        if (i + 1 >= argc)
            return fail(line, argument + " needs a value");
        const char* value = argv[++i];

        if (argument == "--data") {
            if (*value == '\0')
                return fail(line, "--data needs a path");
            line.dataPath = value;
        } else if (argument == "--capture") {
            if (*value == '\0')
                return fail(line, "--capture needs a folder or an .mp4 file");
            line.run.captureTarget = value;
        } else if (argument == "--start") {
            if (!readSeconds(value, line.run.startSeconds, true) || line.run.startSeconds > kMaxShowSeconds)
                return fail(line, "--start needs a number of seconds from 0 to 86400");
        } else if (argument == "--new") {
            if (*value == '\0')
                return fail(line, "--new needs a folder");
            line.newShowFolder = value;
            line.action = CommandLine::Action::NewShow;
        } else if (argument == "--unpack") {
            if (*value == '\0')
                return fail(line, "--unpack needs a folder");
            line.unpackFolder = value;
            line.action = CommandLine::Action::Unpack;
        } else if (argument == "--fps") {
            if (!readInt(value, 1, kMaxFps, line.run.captureFps))
                return fail(line, "--fps needs a whole number from 1 to 1000");
        } else if (argument == "--step-fps") {
            if (!readInt(value, 1, kMaxStepFps, line.run.stepFps))
                return fail(line, "--step-fps needs a whole number from 1 to 6000");
        } else if (argument == "--duration") {
            // The frame count is checked against the rate once every option is read.
            double seconds = 0;
            if (!readSeconds(value, seconds) || seconds > kMaxShowSeconds)
                return fail(line, "--duration needs a number of seconds up to 86400");
            line.run.durationSeconds = seconds;
        } else {
            int width = 0;
            int height = 0;
            if (!readSize(value, width, height))
                return fail(line, "--size needs WIDTHxHEIGHT, for example 640x480");
            line.run.width = width;
            line.run.height = height;
        }
    }
    if (line.action == CommandLine::Action::Unpack && !line.dataPath.empty())
        return fail(line, "--unpack writes the show built into the player and takes no --data");
    const int fps = line.run.captureFps;
    if (line.run.stepFps == 0) {
        line.run.stepFps = defaultStepFps(fps);
    } else if (line.run.stepFps % fps != 0) {
        return fail(line, "--step-fps must be a multiple of --fps (" + std::to_string(fps) + ")");
    }
    // Fewer than half a frame rounds to none: nothing would be captured.
    if (line.run.durationSeconds && *line.run.durationSeconds * fps < 0.5) {
        char range[96];
        std::snprintf(range, sizeof range, "--duration at %d frames a second needs %g to 86400 seconds", fps,
                      1.0 / fps);
        return fail(line, range);
    }
    if (line.run.watch && line.dataPath.empty())
        return fail(line, "--watch needs --data FOLDER");
    if (line.run.loop && !line.run.captureTarget.empty() && !line.run.durationSeconds)
        return fail(line, "--loop in a capture needs --duration");
    line.run.dataFolder = line.dataPath;
    line.run.scriptName = line.script;
    return line;
}

const char* usageText()
{
    return "usage: velmora [SCRIPT] [options]\n"
           "Plays the show described by SCRIPT (default script.txt), a data file of the show.\n"
           "\n"
           "options:\n"
           "  --data PATH         read the show's files from an archive file or a folder\n"
           "                      instead of the archive built into the player\n"
           "  --headless          render offscreen instead of in a window\n"
           "  --capture TARGET    write every frame with a fixed step: PNG files into the\n"
           "                      folder TARGET, or one video when TARGET ends in .mp4\n"
           "  --fps N             frames per second of a capture (default 60)\n"
           "  --step-fps M        steps per second the show takes while capturing, a multiple\n"
           "                      of N; every M/N-th step is written (default: the smallest\n"
           "                      multiple of N from 60 up, so --fps 5 shows what a viewer at\n"
           "                      60 frames a second sees; --step-fps N steps once a frame)\n"
           "  --duration SECONDS  stop a capture after this much show time (one frame to 86400 s)\n"
           "  --fullscreen        show fullscreen, whatever the script says\n"
           "  --windowed          show in a window, whatever the script says\n"
           "  --size WxH          window or picture size, instead of the script's\n"
           "  --stats             print how often each effect was drawn when a demo ends\n"
           "\n"
           "author mode (docs/scripting.md, \"Author mode\"):\n"
           "  --start SECONDS     begin the show at this time, as it would look and sound there\n"
           "  --loop              start the show again when it ends (a capture ends at --duration)\n"
           "  --watch             with --data FOLDER: reload the show when one of its files changes\n"
           "  --no-vsync          do not wait for the display's refresh (to measure the frame rate)\n"
           "  --new FOLDER        write a small show to start from into FOLDER and exit\n"
           "  --unpack FOLDER     write the show built into the player into FOLDER and exit\n"
           "  keys in a window: Space pause, Left/Right 5 s, Page Up/Down 30 s, Home restart,\n"
           "  . one frame while paused, F1 overlay, R reload, Escape quit\n"
           "  --check             read the show without playing it and list what is wrong,\n"
           "                      one line per finding with its file and line; exit 1 if any\n"
           "  --help              print this text and exit\n"
           "  --version           print the version and exit\n";
}

const char* versionNumber() { return "1.0"; }

}  // namespace velmora
