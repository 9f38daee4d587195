// Author mode: the show started at any time, paused, stepped, jumped, looped, started over and
// reloaded from its data folder, with an overlay of where it stands. Keys act only in a window;
// captures and headless runs take the command line's --start and --loop alone.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/run_options.h"

namespace velmora {

class Demo;
struct ScriptNode;

// Largest main script a reload reads: parsing it holds the show up for about half a second.
constexpr uintmax_t kMaxReloadBytes = 16u << 20;

class AuthorSession {
public:
    // `demo` owns the session and outlives it.
    AuthorSession(Demo& demo, const RunOptions& options);
    ~AuthorSession();
    AuthorSession(const AuthorSession&) = delete;
    AuthorSession& operator=(const AuthorSession&) = delete;

    // Before the first frame of the main loop: the run-up to --start.
    void beforeMainLoop();
    // Before each frame: carries out what keys, `exit` with --loop and file changes asked for.
    // True while paused: the frame is not run (the loop waits a little instead).
    bool holdFrame();
    // After a frame is drawn, before it is shown: the overlay, and the picture kept while paused.
    void beforeSwap();
    // A key released in a window (flag 1); true when author mode acted on it. Escape is not ours.
    bool key(int code, int flag);
    // `exit` fired: with --loop the show starts again at the next frame (true); false: close.
    bool loopInsteadOfExit();

    // The actions behind the keys. Each runs between frames.
    // The sound pauses and resumes with the picture. A pause takes hold after the next frame,
    // whose picture (without the overlay) is kept and shown for as long as it lasts.
    void setPaused(bool paused);
    bool paused() const { return paused_ || pauseRequested_ || pauseAfterFrame_; }
    // To `seconds` of show time: forward by a run-up from now, backward by starting over and
    // running up from 0. While paused the frame at that time is shown and the pause stays.
    void jumpTo(double seconds);
    void stepOneFrame();  // while paused: the next frame, with its share of sound
    void toggleOverlay() { overlay_ = !overlay_; redraw_ = true; }
    bool overlayShown() const { return overlay_; }
    // Reads the main script again from the data folder and continues at the same time; the
    // script read by the reload before is freed. A script that cannot be read, is larger than
    // kMaxReloadBytes or fails to parse leaves the show playing as it was, with a line saying
    // why: false.
    bool reload();

    // Frames a second of run-ups: the capture's step rate, 60 in a window.
    int fps() const { return fps_; }
    // Wall-clock seconds the last run-up took (for the bench).
    double lastRunUpSeconds() const { return lastRunUpWall_; }

private:
    void startOver(ScriptNode* element);
    void runUpTo(int64_t frame);
    void resumeTiming();
    void pollWatchedFolder();
    void showPausedPicture();
    void keepPicture();
    int64_t currentFrame() const;

    Demo& demo_;
    RunOptions options_;
    int fps_;
    bool keysActive_;
    bool paused_ = false;
    bool pauseRequested_ = false;   // the next frame's picture is kept, then the pause begins
    bool pauseAfterFrame_ = false;  // that frame is drawn: pause before the next
    bool overlay_ = false;
    bool redraw_ = false;
    bool restartPending_ = false;
    bool reloadPending_ = false;
    bool stepPending_ = false;
    std::optional<double> jumpPending_;
    double lastRunUpWall_ = 0;

    // The script tree of the last reload, which the Demo's events point into; null before one.
    std::unique_ptr<ScriptNode> tree_;

    // The picture kept while paused (RGBA rows bottom-up, without the overlay), to draw again.
    std::vector<uint8_t> picture_;
    int pictureWidth_ = 0, pictureHeight_ = 0;

    // --watch: the folder's last signature and when it last changed.
    using Clock = std::chrono::steady_clock;
    uint64_t folderSignature_ = 0;
    Clock::time_point lastPoll_{}, lastChange_{};
    bool changeSeen_ = false;
};

}  // namespace velmora
