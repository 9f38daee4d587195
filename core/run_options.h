// How this run presents the show, from the command line: in a window or offscreen, and whether
// frames are captured with a fixed step. The script's display settings stand unless overridden.
#pragma once

#include <optional>
#include <string>

namespace velmora {

struct RunOptions {
    enum class Output { Automatic, Window, Headless };
    Output output = Output::Automatic;  // automatic: a window when a display is available

    std::string captureTarget;  // empty: no capture; a folder for PNG frames (or an .mp4 file)
    int captureFps = 60;        // frames written per second of show time
    // Steps the show takes per second while capturing, a multiple of captureFps: every
    // (stepFps / captureFps)-th step is written. 0: one step per written frame.
    int stepFps = 0;
    std::optional<double> durationSeconds;  // capture stops after this much show time

    // The capture's step: 100 / captureStepFps() hundredths of a second.
    int captureStepFps() const { return stepFps > 0 ? stepFps : captureFps; }

    std::optional<bool> fullscreen;  // --fullscreen / --windowed
    std::optional<int> width;        // --size WxH
    std::optional<int> height;

    bool stats = false;  // --stats: print how often each effect was drawn when a demo ends

    // Author mode.
    double startSeconds = 0;  // --start: the show begins at this time, run up from 0
    bool loop = false;        // --loop: the show starts again when it ends
    bool watch = false;       // --watch: reload the show when a file of the --data folder changes
    bool vsync = true;        // --no-vsync turns off waiting for the display's refresh
    std::string dataFolder;   // the --data folder a reload reads again; empty: none
    std::string scriptName = "script.txt";  // the main script a reload reads again
};

}  // namespace velmora
