// Video export: raw frames and PCM sound streamed into one ffmpeg process that encodes and
// muxes them into an .mp4 file. No frame touches the disk; a writer thread feeds ffmpeg's two
// input pipes so that rendering, encoding and the pipes overlap.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ffmpeg_pipes.h"

namespace velmora {

class VideoExport {
public:
    // True when an `ffmpeg` program is on the PATH.
    static bool ffmpegAvailable();
    // The ffmpeg command line for `width` x `height` RGBA frames (rows bottom-up, as GL reads
    // them) at `fps` from standard input and 16-bit stereo 44,100 Hz sound from `soundInput`.
    static std::vector<std::string> ffmpegArguments(const std::string& path, int width, int height, int fps,
                                                    const std::string& soundInput);

    // Starts ffmpeg; null with the reason in `message` when it cannot run.
    static std::unique_ptr<VideoExport> start(const std::string& path, int width, int height, int fps,
                                              std::string& message);
    ~VideoExport();
    VideoExport(const VideoExport&) = delete;
    VideoExport& operator=(const VideoExport&) = delete;

    // How long ffmpeg may take no data while some waits before the export gives up on it.
    static constexpr std::chrono::milliseconds kDefaultStallLimit{30000};

    int width() const { return width_; }
    int height() const { return height_; }
    // Queues one frame's pixels (width x height x 4 bytes). Waits while a few frames are still
    // queued, so memory stays bounded. False once ffmpeg has stopped taking input: it has gone,
    // or it took nothing for the stall limit.
    bool addFrame(const uint8_t* rgba);
    // Queues sound (interleaved stereo samples) to follow the sound queued before. False once
    // ffmpeg has stopped taking input.
    bool addSound(const int16_t* samples, size_t count);
    // Ends the input, waits for ffmpeg and reports whether the video was made (the reason in
    // `message` when not). An ffmpeg that stopped reading is ended. Safe to call twice.
    bool finish(std::string& message);
    // Sets the stall limit (kDefaultStallLimit until then).
    void setStallLimit(std::chrono::milliseconds limit);

private:
    struct Stream {
        std::deque<std::vector<uint8_t>> queue;  // the front is being written
        size_t written = 0;                      // bytes of the front already in the pipe
    };

    VideoExport(int width, int height) : width_(width), height_(height) {}
    void writeLoop();

    int width_;
    int height_;
    FfmpegPipes pipes_;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    Stream video_, audio_;
    std::vector<std::vector<uint8_t>> spare_;  // frame buffers the writer is done with
    bool closing_ = false;
    bool broken_ = false;   // ffmpeg stopped reading
    bool stalled_ = false;  // ... and was still running, taking nothing for stallLimit_
    std::chrono::milliseconds stallLimit_ = kDefaultStallLimit;
    bool finished_ = false;
    bool made_ = false;
    std::string failure_;
};

}  // namespace velmora
