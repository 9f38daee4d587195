// The show's sound for a frame capture: per video frame exactly the 44,100 Hz frames that frame
// lasts, mixed offline, for a video or appended to a 16-bit stereo WAV file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace velmora {

class AudioCapture {
public:
    // `fps` > 0 video frames per second. Switches the sound library to offline output, so it
    // must exist before the output starts.
    explicit AudioCapture(int fps);
    ~AudioCapture();
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    // Opens `path` for writing; with `append` an existing capture file there is continued
    // (a later part of the same run). False with a message on standard error.
    bool open(const std::string& path, bool append);
    // Mixes the sound of video frame `index` (counted from 0 over the whole capture): interleaved
    // stereo samples, valid until the next call.
    const std::vector<int16_t>& mixFrame(unsigned index);
    // Mixes and appends the sound of video frame `index` to the open file.
    bool captureFrame(unsigned index);
    // Completes the file's header. Safe to call twice.
    void close();

    // 44,100 Hz frames before video frame `index` at `fps`: frame i lasts
    // framesBefore(i + 1) - framesBefore(i), so the sound never drifts from the pictures.
    static int64_t framesBefore(int64_t index, int fps);

    uint32_t dataBytes() const { return dataBytes_; }

private:
    bool writeHeader();

    int fps_;
    std::FILE* file_ = nullptr;
    uint32_t dataBytes_ = 0;
    std::vector<int16_t> buffer_;
};

}  // namespace velmora
