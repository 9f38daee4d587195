// Frame capture: the show's frames as numbered PNG files (DIR/frame-000000.png onward) with the
// show's sound in DIR/audio.wav; for a target ending in ".mp4" both are muxed into that video.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_capture.h"

namespace velmora {

class FrameCapture {
public:
    // Frames go to `folder`; each lasts 1 / fps seconds (fps > 0). Without a duration the
    // capture runs until the show ends. A `folder` ending in ".mp4" names the video to make:
    // frames and sound then go to the folder "<name>.mp4.frames". Switches the sound library to
    // offline output, so it must exist before the sound starts.
    FrameCapture(std::string folder, int fps, std::optional<double> durationSeconds);

    // Creates the folder. The first capture into a folder in this run removes the frame files
    // already there; a later one (the next `demo` element) continues their numbering. False
    // with a message on standard error.
    bool open();
    bool opened() const { return sequence_ != nullptr; }
    // Reads the current GL read buffer (width x height) and writes the next frame. False with a
    // message when the file cannot be written.
    bool writeFrame(int width, int height);
    // True once the frames written (in this folder, over the whole run) cover the duration.
    bool finished() const;
    unsigned framesWritten() const { return frames_; }  // the next frame's number
    // On a terminal: a progress line with frames done and the show time left.
    void reportProgress();
    // Ends the progress line, completes audio.wav, makes the video when one was asked for
    // (without ffmpeg it says so and leaves the frames and audio.wav) and prints where they are.
    void finish();

    // Writes RGBA pixels (rows bottom-up, as GL reads them) as an 8-bit RGB PNG.
    static bool writePng(const std::string& path, const uint8_t* rgba, int width, int height);
    // The path of frame `index`: folder/frame-000000.png.
    std::string framePath(unsigned index) const;

private:
    std::string folder_;
    int fps_;
    std::optional<unsigned> frameLimit_;
    unsigned frames_ = 0;
    unsigned* sequence_ = nullptr;  // this folder's count in the run-wide table; null until open
    bool progressShown_ = false;
    bool finishReported_ = false;
    std::vector<uint8_t> pixels_;
    std::string video_;  // the .mp4 to make; empty for frames only
    std::unique_ptr<AudioCapture> audio_;
};

}  // namespace velmora
