// The show's window: frame timer and clock, buffer swap with timing, Escape to quit, the
// start-up sequence, and frame capture when the command line asks for it.
#pragma once

#include <memory>

#include "core/gl_window.h"
#include "core/run_options.h"
#include "core/frame_timer.h"

namespace velmora {

class FrameCapture;

// Brings each side of the size into 1..kMaxWindowSide, saying so on the console when that
// changes anything: a script may ask for any size, the buffers that follow from it may not.
void limitWindowSize(DisplaySettings& settings);

// Whether a show run with `run` draws offscreen: asked for, or automatic without a display.
bool drawsOffscreen(const RunOptions& run);

class DemoWindow : public GLWindow {
public:
    // With a capture target the timer runs on a frame counter: every frame lasts exactly
    // 100 / stepFps hundredths of a second, from the first frame on (stepFps as the options
    // give it when it is a multiple of captureFps, else captureFps).
    explicit DemoWindow(const RunOptions& options);
    // Stops the sound service and deletes the timer before the GL part goes.
    ~DemoWindow() override;

    // Applies the command line's display overrides to `settings`, chooses a window or offscreen
    // output (automatic: a window when a display is available, else offscreen with a note),
    // then GLWindow::create.
    bool create(DisplaySettings& settings, const char* title);
    // Right after create: two black frames, sound service started, timer reset (interval 3).
    void startUp();

    // Swaps buffers and ticks the timer; false. While capturing, the frames of the main loop
    // (those after the first processMessages) are handed to the capture first (which writes
    // every stepFps / captureFps-th of them), and the window is closed once the capture
    // duration is reached.
    bool frame() override;
    // As GLWindow's, but a window of another shape than the picture shows it whole, centred
    // with black bars (the script's aspect ratio kept, also fullscreen on the desktop).
    void resize(int width, int height) override;
    void key(int code, int flag) override;  // 27 (Escape) closes the window
    bool processMessages() override;
    bool capturing() const { return capture_ != nullptr; }
    // True when the last create made no window (nor offscreen context): nothing can be drawn.
    bool creationFailed() const { return creationFailed_; }
    // True when the capture will not write the next frame of the main loop: it need not be seen.
    bool nextFrameUnseen() const;
    const RunOptions& runOptions() const { return options; }

    std::unique_ptr<FrameTimer> frameTimer;
    float clock = 0;  // show time in seconds
    int pictureWidth = 0, pictureHeight = 0;  // the script's (or --size) picture size; 0 before create

protected:
    RunOptions options;

private:
    void captureFrame();

    ManualCounter* captureCounter_ = nullptr;  // owned by frameTimer; capture only
    std::unique_ptr<FrameCapture> capture_;
    bool mainLoopStarted_ = false;
    bool creationFailed_ = false;
};

}  // namespace velmora
