// Author mode: start time, pause, jumps, loop, starting over and reloading.
#include "core/author_mode.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "audio/audio_capture.h"
#include "audio/dsp_rings.h"
#include "audio/playback_control.h"
#include "audio/sound_library.h"
#include "core/author_overlay.h"
#include "core/demo.h"
#include "core/gl_state.h"
#include "core/random.h"
#include "core/run_up.h"
#include "core/script_driver.h"
#include "core/script_node.h"
#include "core/script_parser.h"
#include "core/script_values.h"
#include "resources/data_file.h"

namespace velmora {

namespace {

constexpr double kJumpSeconds = 5;
constexpr double kBigJumpSeconds = 30;
constexpr int kWindowFps = 60;  // the step of run-ups in a window
constexpr auto kWatchPoll = std::chrono::milliseconds(250);
constexpr auto kWatchQuiet = std::chrono::milliseconds(400);  // a change must settle this long

// Which `demo` element of its script `element` is (0 for the first).
size_t demoIndex(const ScriptNode* element)
{
    size_t index = 0;
    if (!element || !element->parent)
        return 0;
    for (const auto& child : element->parent->children) {
        if (child.get() == element)
            return index;
        index += sameName(child->name, "demo");
    }
    return 0;
}

ScriptNode* demoAt(ScriptNode& root, size_t index)
{
    for (const auto& child : root.children) {
        if (sameName(child->name, "demo") && index-- == 0)
            return child.get();
    }
    return nullptr;
}

// Names, sizes and modification times of every file under `folder`, folded into one number.
uint64_t folderSignature(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    uint64_t signature = 1469598103934665603ull;
    auto mix = [&](uint64_t value) { signature = (signature ^ value) * 1099511628211ull; };
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError))
            continue;
        mix(std::hash<std::string>{}(it->path().string()));
        mix(static_cast<uint64_t>(it->file_size(fileError)));
        mix(static_cast<uint64_t>(it->last_write_time(fileError).time_since_epoch().count()));
    }
    return signature;
}

}  // namespace

AuthorSession::AuthorSession(Demo& demo, const RunOptions& options)
    : demo_(demo),
      options_(options),
      fps_(demo.capturing() ? std::max(1, options.captureStepFps()) : kWindowFps),
      keysActive_(!demo.offscreen && !demo.capturing())
{
    if (options_.watch)
        folderSignature_ = folderSignature(options_.dataFolder);
}

AuthorSession::~AuthorSession() = default;

int64_t AuthorSession::currentFrame() const { return std::llround(static_cast<double>(demo_.clock) * fps_); }

// ---- Main loop hooks --------------------------------------------------------------------

void AuthorSession::beforeMainLoop()
{
    if (options_.startSeconds <= 0)
        return;
    runUpTo(std::llround(options_.startSeconds * fps_));
    // The show's `exit` fired on the way: there is nothing to show from there.
    if (!demo_.exists())
        std::fprintf(stderr, "velmora: --start %g s is past the end of the show (its exit at %.2f s)\n",
                     options_.startSeconds, static_cast<double>(demo_.frameStart));
}

bool AuthorSession::holdFrame()
{
    if (restartPending_) {
        restartPending_ = false;
        startOver(demo_.element);
        resumeTiming();
    }
    if (options_.watch)
        pollWatchedFolder();
    if (reloadPending_) {
        reloadPending_ = false;
        reload();
    }
    if (jumpPending_) {
        const double target = *jumpPending_;
        jumpPending_.reset();
        jumpTo(target);
    }
    if (pauseAfterFrame_) {
        pauseAfterFrame_ = false;
        paused_ = true;
        BASS_Stop();
        redraw_ = overlay_;  // the overlay now says so
    }
    if (!paused_)
        return false;
    if (stepPending_) {
        stepPending_ = false;
        stepOneFrame();
    } else if (redraw_) {
        showPausedPicture();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void AuthorSession::beforeSwap()
{
    // The picture as the show drew it, before the overlay covers a part of it.
    if (paused_ || pauseRequested_)
        keepPicture();
    if (pauseRequested_) {
        pauseRequested_ = false;
        pauseAfterFrame_ = true;
    }
    if (overlay_ && demo_.hasContext())
        drawOverlay(demo_, paused_);
}

bool AuthorSession::loopInsteadOfExit()
{
    if (!options_.loop || !demo_.element)
        return false;
    restartPending_ = true;
    return true;
}

bool AuthorSession::key(int code, int flag)
{
    if (!keysActive_ || flag != 1)
        return false;
    const double now = demo_.clock;
    switch (code) {
    case ' ': setPaused(!paused()); return true;
    case kKeyRight: jumpPending_ = now + kJumpSeconds; return true;
    case kKeyLeft: jumpPending_ = now - kJumpSeconds; return true;
    case kKeyPageUp: jumpPending_ = now + kBigJumpSeconds; return true;
    case kKeyPageDown: jumpPending_ = now - kBigJumpSeconds; return true;
    case kKeyHome: jumpPending_ = 0.0; return true;
    case '.': stepPending_ = paused(); return true;
    case kKeyF1: toggleOverlay(); return true;
    case 'R': reloadPending_ = true; return true;
    default: return false;
    }
}

// ---- Actions ----------------------------------------------------------------------------

void AuthorSession::setPaused(bool paused)
{
    if (paused == this->paused())
        return;
    if (paused) {
        // The picture on the screen cannot be read back reliably (a window's front buffer may
        // read as black) and may carry the overlay: the next frame's picture is kept instead.
        pauseRequested_ = true;
        return;
    }
    const bool wasPaused = paused_;
    paused_ = pauseRequested_ = pauseAfterFrame_ = false;
    if (wasPaused)
        resumeTiming();
}

void AuthorSession::jumpTo(double seconds)
{
    const int64_t target = std::llround(std::max(0.0, seconds) * fps_);
    if (target < currentFrame() || target == 0)
        startOver(demo_.element);
    runUpTo(target);
    // While paused the frame at the target is shown (the clock then stands one frame on).
    if (paused_)
        stepOneFrame();
}

void AuthorSession::stepOneFrame()
{
    const int64_t frame = currentFrame();
    demo_.frameTimer->reset();
    demo_.frameTimer->setInterval(1000000);  // no measuring: every step is the fixed one
    demo_.frameTimer->frameStep = 100.0f / static_cast<float>(fps_);
    demo_.frame();
    advancePlayback(static_cast<int>(AudioCapture::framesBefore(frame + 1, fps_) -
                                     AudioCapture::framesBefore(frame, fps_)));
}

bool AuthorSession::reload()
{
    if (options_.dataFolder.empty()) {
        std::fprintf(stderr, "reload: only a show read from a --data folder can be read again\n");
        return false;
    }
    const char* name = options_.scriptName.c_str();
    auto refuse = [name](const std::string& why) {
        std::fprintf(stderr, "reload: %s %s; the show goes on as it was\n", name, why.c_str());
        return false;
    };
    const uintmax_t bytes = DataFile::sizeOf(name);
    if (bytes == 0)
        return refuse("cannot be read from " + options_.dataFolder);
    if (bytes > kMaxReloadBytes) {
        char why[160];
        std::snprintf(why, sizeof why, "is %.1f MB, more than the %ju MB a reload reads while the show runs",
                      static_cast<double>(bytes) / (1 << 20), kMaxReloadBytes >> 20);
        return refuse(why);
    }
    auto tree = std::make_unique<ScriptNode>();
    std::vector<std::string> errors;
    std::printf("Parsing Script [%s]", name);
    const int status = parseFile(tree.get(), name, &errors);
    std::printf("done.\n");
    const size_t index = demoIndex(demo_.element);
    ScriptNode* element = demoAt(*tree, index);
    if (status == kParseFailed)
        return refuse("has errors (" + (errors.empty() ? std::string("a failed include") : errors.front()) + ")");
    if (!element) {
        const std::string found = errors.empty() ? std::string() : " (" + errors.front() + ")";
        return refuse("holds no demo element " + std::to_string(index + 1) + found);
    }
    const int64_t frame = currentFrame();
    // The previous reload's tree goes once the show is built from the new one.
    const std::unique_ptr<ScriptNode> previous = std::move(tree_);
    tree_ = std::move(tree);
    startOver(element);
    runUpTo(frame);
    std::fprintf(stderr, "reload: %s read again, at %.2f s\n", name, static_cast<double>(demo_.clock));
    return true;
}

// ---- Inner steps ------------------------------------------------------------------------

void AuthorSession::startOver(ScriptNode* element)
{
    if (!element)
        return;
    BASS_Stop();
    demo_.clearAll();
    demo_.clock = 0;
    demo_.frameStart = 0;
    // As at the program's start: the generator and the shared sound rings.
    seedRandom(1);
    resetDspRings();
    demo_.element = element;
    demo_.rebuilding = true;
    applyUntilRun(demo_, element);
    demo_.rebuilding = false;
    if (!paused_)
        BASS_Start();
}

void AuthorSession::runUpTo(int64_t frame)
{
    const int64_t from = currentFrame();
    if (frame > from)
        lastRunUpWall_ = runUp(demo_, from, frame, fps_).wallSeconds;
    if (!paused_)
        resumeTiming();
}

void AuthorSession::resumeTiming()
{
    if (!paused_)
        BASS_Start();
    // A pause or a run-up is no frame's duration: the next frame takes the fixed step.
    demo_.frameTimer->reset();
    demo_.frameTimer->setInterval(1);
    demo_.frameTimer->frameStep = 100.0f / static_cast<float>(fps_);
}

void AuthorSession::keepPicture()
{
    pictureWidth_ = demo_.width;
    pictureHeight_ = demo_.height;
    picture_.resize(static_cast<size_t>(pictureWidth_) * pictureHeight_ * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, pictureWidth_, pictureHeight_, GL_RGBA, GL_UNSIGNED_BYTE, picture_.data());
}

void AuthorSession::showPausedPicture()
{
    redraw_ = false;
    if (!demo_.hasContext())
        return;
    if (picture_.empty() || pictureWidth_ != demo_.width || pictureHeight_ != demo_.height)
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    // The picture was read from the whole window, bars included.
    glViewport(0, 0, pictureWidth_, pictureHeight_);
    {
        IdentityMatrices clipSpace;
        glRasterPos2f(-1, -1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glDrawPixels(pictureWidth_, pictureHeight_, GL_RGBA, GL_UNSIGNED_BYTE, picture_.data());
    }
    glPopAttrib();
    if (overlay_)
        drawOverlay(demo_, paused_);
    demo_.swapBuffers();
}

void AuthorSession::pollWatchedFolder()
{
    const auto now = Clock::now();
    if (now - lastPoll_ < kWatchPoll)
        return;
    lastPoll_ = now;
    const uint64_t signature = folderSignature(options_.dataFolder);
    if (signature != folderSignature_) {
        folderSignature_ = signature;
        lastChange_ = now;
        changeSeen_ = true;
        return;
    }
    // Reload once the files have stopped changing: an editor's save may take several writes.
    if (changeSeen_ && now - lastChange_ >= kWatchQuiet) {
        changeSeen_ = false;
        reloadPending_ = true;
    }
}

}  // namespace velmora
