// The show's window: start-up, timed buffer swaps, Escape, and frame capture.
#include "core/demo_window.h"

#include <GL/gl.h>

#include <cstdio>

#include "audio/sound_service.h"
#include "core/frame_capture.h"
#include "core/gl_state.h"
#include "core/sdl_platform.h"

namespace velmora {

DemoWindow::DemoWindow(const RunOptions& runOptions) : options(runOptions)
{
    if (options.captureTarget.empty()) {
        frameTimer = std::make_unique<FrameTimer>();
        return;
    }
    if (options.captureFps <= 0)
        options.captureFps = 60;
    if (options.stepFps <= 0 || options.stepFps % options.captureFps != 0)
        options.stepFps = options.captureFps;
    const int stepFps = options.captureStepFps();
    // One counter tick per step at stepFps ticks per second: every step is 100 / stepFps.
    auto counter = std::make_unique<ManualCounter>(static_cast<uint64_t>(stepFps));
    captureCounter_ = counter.get();
    frameTimer = std::make_unique<FrameTimer>(std::move(counter), 100.0f / static_cast<float>(stepFps));
    capture_ = std::make_unique<FrameCapture>(options.captureTarget, options.captureFps,
                                              stepFps / options.captureFps, options.durationSeconds);
}

DemoWindow::~DemoWindow()
{
    if (capture_)
        capture_->finish();
    soundStop();
    frameTimer.reset();
}

void limitWindowSize(DisplaySettings& settings)
{
    auto limited = [](int32_t side) { return side < 1 ? 1 : side > kMaxWindowSide ? kMaxWindowSide : side; };
    const int32_t width = limited(settings.width);
    const int32_t height = limited(settings.height);
    if (width != settings.width || height != settings.height) {
        std::printf("XML Error: window size %dx%d out of range (1 to %d a side), using %dx%d\n", settings.width,
                    settings.height, kMaxWindowSide, width, height);
        settings.width = width;
        settings.height = height;
    }
}

bool drawsOffscreen(const RunOptions& run)
{
    return run.output == RunOptions::Output::Headless ||
           (run.output == RunOptions::Output::Automatic && !platform::displayAvailable());
}

bool DemoWindow::create(DisplaySettings& settings, const char* title)
{
    // --fullscreen takes the desktop as it is (below); --windowed turns the script's off.
    if (options.fullscreen)
        settings.fullscreen = false;
    if (options.width && options.height && *options.width > 0 && *options.height > 0) {
        settings.width = *options.width;
        settings.height = *options.height;
    }
    limitWindowSize(settings);

    offscreen = drawsOffscreen(options);
    if (options.output == RunOptions::Output::Automatic) {
        if (offscreen)
            std::fprintf(stderr, "no display available: rendering offscreen\n");
        // Decided once: a later create keeps the choice.
        options.output = offscreen ? RunOptions::Output::Headless : RunOptions::Output::Window;
    }

    if (capture_ && !capture_->opened() && !capture_->open()) {
        // Capturing was asked for and cannot happen: no window, and the quit message for a
        // main loop that would run unrecorded.
        capture_.reset();
        quitPosted = true;
        creationFailed_ = true;
        return false;
    }
    pictureWidth = settings.width;
    pictureHeight = settings.height;
    const bool created = GLWindow::create(settings, title);
    creationFailed_ = !created;
    if (created && !offscreen && handle) {
        platform::setVsync(options.vsync);
        if (options.fullscreen.value_or(false)) {
            if (platform::enterDesktopFullscreen(handle)) {
                platform::showCursor(false);
                int w = 0, h = 0;
                platform::drawableSize(handle, w, h);
                resize(w, h);
            } else {
                std::fprintf(stderr, "fullscreen refused: the show stays in a window\n");
            }
        }
    }
    return created;
}

void DemoWindow::resize(int newWidth, int newHeight)
{
    GLWindow::resize(newWidth, newHeight);
    // A window whose shape differs from the picture's shows the picture whole, with bars.
    if (pictureWidth > 0 && pictureHeight > 0 && newWidth > 0 && newHeight > 0 && !offscreen)
        letterbox(newWidth, newHeight, pictureWidth, pictureHeight);
}

void DemoWindow::startUp()
{
    makeCurrent();
    glClearColor(0, 0, 0, 1);
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        swapBuffers();
    }
    soundStart(handle);
    frameTimer->reset();
    frameTimer->setInterval(3);
}

bool DemoWindow::frame()
{
    if (capture_ && mainLoopStarted_ && hasContext())
        captureFrame();
    swapBuffers();
    if (captureCounter_)
        captureCounter_->advance(1);
    frameTimer->tick();
    return false;
}

bool DemoWindow::nextFrameUnseen() const
{
    return capture_ && mainLoopStarted_ && capture_->opened() && !capture_->writesNextStep();
}

void DemoWindow::captureFrame()
{
    if (!capture_->finished() && !capture_->captureStep(width, height)) {
        close();
        return;
    }
    capture_->reportProgress();
    if (capture_->finished())
        close();
}

void DemoWindow::key(int code, int)
{
    if (code == 27)
        close();
}

bool DemoWindow::processMessages()
{
    mainLoopStarted_ = true;
    return GLWindow::processMessages();
}

}  // namespace velmora
