// Frame capture into PNG files (compressed on worker threads) or into a video through ffmpeg.
#include "core/frame_capture.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <thread>

#include "core/png_writer.h"
#include "core/video_export.h"

namespace velmora {

// Per capture target in this run: frames written so far, and the video being made. A script
// with several `demo` elements captures them one after the other into the same sequence.
struct CaptureTarget {
    unsigned frames = 0;
    std::unique_ptr<VideoExport> video;  // started with the first frame
    std::string path;
};

namespace {

bool isVideoPath(const std::string& target)
{
    return target.size() > 4 && target.compare(target.size() - 4, 4, ".mp4") == 0;
}

struct Targets {
    std::map<std::string, CaptureTarget> byPath;
    // Videos are completed as the program ends, after the last `demo` element.
    ~Targets()
    {
        for (auto& [key, state] : byPath) {
            if (!state.video)
                continue;
            std::string message;
            if (state.video->finish(message))
                std::fprintf(stderr, "capture: video written to %s\n", state.path.c_str());
            else
                std::fprintf(stderr, "capture: %s: %s is incomplete\n", message.c_str(), state.path.c_str());
        }
    }
};

Targets& targets()
{
    static Targets table;
    return table;
}

}  // namespace

FrameCapture::FrameCapture(std::string target, int fps, std::optional<double> durationSeconds)
    : target_(std::move(target)),
      video_(isVideoPath(target_)),
      fps_(fps > 0 ? fps : 60),
      audio_(std::make_unique<AudioCapture>(fps_))
{
    if (durationSeconds)
        frameLimit_ = *durationSeconds > 0 ? static_cast<unsigned>(std::llround(*durationSeconds * fps_)) : 0u;
}

FrameCapture::~FrameCapture() = default;

bool FrameCapture::open()
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (video_) {
        if (!VideoExport::ffmpegAvailable()) {
            std::fprintf(stderr,
                         "capture: ffmpeg not found: %s needs the ffmpeg program (or capture PNG frames into a "
                         "folder instead)\n",
                         target_.c_str());
            return false;
        }
        const fs::path parent = fs::path(target_).parent_path();
        if (!parent.empty())
            fs::create_directories(parent, error);
        if (!parent.empty() && !fs::is_directory(parent)) {
            std::fprintf(stderr, "capture: cannot create the folder %s\n", parent.string().c_str());
            return false;
        }
    } else {
        fs::create_directories(target_, error);
        if (error || !fs::is_directory(target_)) {
            std::fprintf(stderr, "capture: cannot create the folder %s\n", target_.c_str());
            return false;
        }
    }
    const std::string key = fs::weakly_canonical(target_, error).string();
    auto [entry, first] = targets().byPath.try_emplace(key);
    entry->second.path = target_;
    if (first && !video_) {
        // Frames of an earlier run would join this sequence: remove them.
        for (const auto& file : fs::directory_iterator(target_, error)) {
            const std::string name = file.path().filename().string();
            if (name.rfind("frame-", 0) == 0 && file.path().extension() == ".png")
                fs::remove(file.path(), error);
        }
    }
    frames_ = framesAtOpen_ = entry->second.frames;
    state_ = &entry->second;
    started_ = std::chrono::steady_clock::now();
    if (video_)
        return true;
    pngs_ = std::make_unique<PngWriter>(std::max(1u, std::thread::hardware_concurrency()));
    return audio_->open((fs::path(target_) / "audio.wav").string(), !first);
}

std::string FrameCapture::framePath(unsigned index) const
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06u.png", index);
    return (std::filesystem::path(target_) / name).string();
}

bool FrameCapture::writeVideoFrame(int width, int height)
{
    CaptureTarget& state = *state_;
    if (!state.video) {
        std::string message;
        state.video = VideoExport::start(target_, width, height, fps_, message);
        if (!state.video) {
            std::fprintf(stderr, "capture: %s: cannot make %s\n", message.c_str(), target_.c_str());
            return false;
        }
    } else if (state.video->width() != width || state.video->height() != height) {
        std::fprintf(stderr, "capture: the frame size changed from %dx%d to %dx%d within %s\n",
                     state.video->width(), state.video->height(), width, height, target_.c_str());
        return false;
    }
    const std::vector<int16_t>& sound = audio_->mixFrame(frames_);
    if (!state.video->addFrame(pixels_.data(), sound.data(), sound.size())) {
        std::string message;
        state.video->finish(message);
        std::fprintf(stderr, "capture: %s while making %s\n", message.c_str(), target_.c_str());
        return false;
    }
    return true;
}

bool FrameCapture::writeFrame(int width, int height)
{
    if (width <= 0 || height <= 0 || !state_)
        return false;
    pixels_.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    if (video_) {
        if (!writeVideoFrame(width, height))
            return false;
    } else {
        if (!pngs_->add(framePath(frames_), pixels_.data(), width, height))
            return false;
        if (!audio_->captureFrame(frames_)) {
            std::fprintf(stderr, "capture: cannot write %s/audio.wav\n", target_.c_str());
            return false;
        }
    }
    ++frames_;
    state_->frames = frames_;
    // The last frame: every file is complete when the window closes.
    if (finished() && pngs_ && !pngs_->drain())
        return false;
    return true;
}

bool FrameCapture::finished() const { return frameLimit_ && frames_ >= *frameLimit_; }

void FrameCapture::reportProgress()
{
    if (!isatty(STDERR_FILENO))
        return;
    if (frames_ % 15 != 0 && !finished())
        return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const unsigned done = frames_ - framesAtOpen_;
    if (frameLimit_) {
        const unsigned left = *frameLimit_ > frames_ ? *frameLimit_ - frames_ : 0;
        const double wait = done > 0 ? elapsed / done * left : 0;
        std::fprintf(stderr, "\rcapture: %u frames done, %.1f s of show left, about %.0f s to go   ", frames_,
                     static_cast<double>(left) / fps_, wait);
    } else {
        std::fprintf(stderr, "\rcapture: %u frames done, %.1f s of show, %.1f frames per second   ", frames_,
                     static_cast<double>(frames_) / fps_, elapsed > 0 ? done / elapsed : 0.0);
    }
    progressShown_ = true;
}

void FrameCapture::finish()
{
    if (progressShown_)
        std::fputc('\n', stderr);
    progressShown_ = false;
    if (finishReported_)
        return;
    finishReported_ = true;
    if (video_) {
        if (frames_ > framesAtOpen_)
            std::fprintf(stderr, "capture: %u frames sent to ffmpeg for %s\n", frames_, target_.c_str());
        return;
    }
    const bool written = !pngs_ || pngs_->drain();
    audio_->close();
    if (frames_ > 0 && written)
        std::fprintf(stderr, "capture: %u frames and audio.wav written to %s\n", frames_, target_.c_str());
}

}  // namespace velmora
