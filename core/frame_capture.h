// Frame capture: the show's frames as numbered PNG files (DIR/frame-000000.png onward) with the
// show's sound in DIR/audio.wav; or, for a target ending in ".mp4" (in any case), straight into
// that video (frames and sound piped into ffmpeg, nothing else written).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_capture.h"

namespace velmora {

class PngWriter;
struct CaptureTarget;

class FrameCapture {
public:
    // Frames go to `target`, a folder or an .mp4 file; each lasts 1 / fps seconds (fps > 0) and
    // is `stepsPerFrame` (>= 1) steps of the show, of which the first is written and the sound
    // of all is kept. Without a duration the capture runs until the show ends. Switches the
    // sound library to offline output, so it must exist before the sound starts.
    FrameCapture(std::string target, int fps, int stepsPerFrame, std::optional<double> durationSeconds);
    ~FrameCapture();

    // Prepares the target: creates the folder, or checks that ffmpeg is there for a video. The
    // first capture into a folder in this run removes the frame files already there; a later one
    // (the next `demo` element) continues their numbering, and a later capture into the same
    // video continues it. False with a message on standard error (the run then counts as failed).
    bool open();
    bool opened() const { return state_ != nullptr; }
    // True when the next step's picture is written (the first step of each frame).
    bool writesNextStep() const { return steps_ % stepsPerFrame_ == 0; }
    // After one step of the show is drawn: reads the current GL read buffer (width x height) as
    // the next frame when the step is written, and keeps the step's sound. False with a message
    // when the frame or the sound cannot be written.
    bool captureStep(int width, int height);
    // True once the frames written (to this target, over the whole run) cover the duration,
    // with the sound of their every step.
    bool finished() const;
    unsigned framesWritten() const { return frames_; }  // the next frame's number
    // On a terminal: a progress line with frames done, the show time left and the time the
    // capture still needs.
    void reportProgress();
    // Ends the progress line, completes the last frame's sound, writes the queued frames and
    // completes audio.wav, and prints where they are. A video is completed by finishCaptures
    // (a later `demo` element may continue it).
    void finish();

    // The path of frame `index`: folder/frame-000000.png.
    std::string framePath(unsigned index) const;

private:
    bool writePicture(int width, int height);
    bool writeVideoFrame(int width, int height);
    bool keepStepSound();
    void fail();

    std::string target_;
    bool video_;  // target_ is an .mp4 file
    int fps_;
    int stepsPerFrame_;
    std::optional<unsigned> frameLimit_;
    unsigned frames_ = 0;
    uint64_t steps_ = 0;  // steps whose sound is kept, counted like frames_ over the run
    unsigned framesAtOpen_ = 0;
    CaptureTarget* state_ = nullptr;  // this target's entry in the run-wide table; null until open
    bool progressShown_ = false;
    bool finishReported_ = false;
    std::chrono::steady_clock::time_point started_;
    std::vector<uint8_t> pixels_;
    std::unique_ptr<AudioCapture> audio_;
    std::unique_ptr<PngWriter> pngs_;
};

// At the program's end: completes every video of the run, says which capture targets received
// no frame at all (removing the empty audio.wav and the folder, when this run made them), and
// tells whether every capture of the run succeeded. Safe to call twice.
bool finishCaptures();

}  // namespace velmora
