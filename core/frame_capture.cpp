// Frame capture into PNG files (compressed on worker threads) or into a video through ffmpeg.
#include "core/frame_capture.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
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
    bool isVideo = false;
    bool madeFolder = false;  // the folder did not exist before this run
    bool completed = false;   // finishCaptures has dealt with it
};

namespace {

struct Targets {
    std::map<std::string, CaptureTarget> byPath;
    bool failed = false;  // some capture of this run could not be made or completed

    // Videos are completed as the program ends, after the last `demo` element.
    bool finishAll()
    {
        namespace fs = std::filesystem;
        for (auto& [key, state] : byPath) {
            if (state.completed)
                continue;
            state.completed = true;
            if (state.video) {
                std::string message;
                if (state.video->finish(message)) {
                    std::fprintf(stderr, "capture: video written to %s\n", state.path.c_str());
                } else {
                    std::fprintf(stderr, "capture: %s: %s is incomplete\n", message.c_str(), state.path.c_str());
                    failed = true;
                }
            } else if (state.frames == 0) {
                std::fprintf(stderr, "capture: no frame was captured into %s\n", state.path.c_str());
                failed = true;
                if (!state.isVideo) {
                    std::error_code error;
                    fs::remove(fs::path(state.path) / "audio.wav", error);
                    if (state.madeFolder && fs::is_empty(state.path, error))
                        fs::remove(state.path, error);
                }
            }
        }
        return !failed;
    }
    ~Targets() { finishAll(); }
};

Targets& targets()
{
    static Targets table;
    return table;
}

// True for a target that names a video: it ends in ".mp4", letters in any case.
bool isVideoTarget(const std::string& target)
{
    constexpr char kExtension[] = ".mp4";
    constexpr size_t kLength = sizeof kExtension - 1;
    if (target.size() <= kLength)
        return false;
    return std::equal(target.end() - kLength, target.end(), kExtension, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

}  // namespace

bool finishCaptures() { return targets().finishAll(); }

FrameCapture::FrameCapture(std::string target, int fps, int stepsPerFrame, std::optional<double> durationSeconds)
    : target_(std::move(target)),
      video_(isVideoTarget(target_)),
      fps_(fps > 0 ? fps : 60),
      stepsPerFrame_(std::max(1, stepsPerFrame)),
      audio_(std::make_unique<AudioCapture>(fps_ * stepsPerFrame_))
{
    // The command line keeps durations within a day; the limit here only keeps the count whole.
    if (durationSeconds) {
        const double frames = std::clamp(std::round(*durationSeconds * fps_), 0.0,
                                         static_cast<double>(std::numeric_limits<unsigned>::max() / stepsPerFrame_));
        frameLimit_ = static_cast<unsigned>(frames);
    }
}

FrameCapture::~FrameCapture() = default;

void FrameCapture::fail() { targets().failed = true; }

bool FrameCapture::open()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = video_ ? fs::path(target_).parent_path() : fs::path(target_);
    const std::string key = fs::weakly_canonical(target_, error).string();
    // A video replaces its file whole: only one this run made itself may be written again.
    if (video_ && !targets().byPath.contains(key) &&
        fs::symlink_status(target_, error).type() != fs::file_type::not_found) {
        std::fprintf(stderr, "capture: %s already exists: remove it or name another file\n", target_.c_str());
        fail();
        return false;
    }
    if (video_ && !VideoExport::ffmpegAvailable()) {
        std::fprintf(stderr,
                     "capture: ffmpeg not found: %s needs the ffmpeg program (or capture PNG frames into a "
                     "folder instead)\n",
                     target_.c_str());
        fail();
        return false;
    }
    const bool folderExisted = folder.empty() || fs::exists(folder, error);
    if (!folder.empty())
        fs::create_directories(folder, error);
    if (!folder.empty() && !fs::is_directory(folder)) {
        std::fprintf(stderr, "capture: cannot create the folder %s\n", folder.string().c_str());
        fail();
        return false;
    }
    auto [entry, first] = targets().byPath.try_emplace(key);
    CaptureTarget& state = entry->second;
    state.path = target_;
    state.isVideo = video_;
    if (first)
        state.madeFolder = !folderExisted;
    if (first && !video_) {
        // Frames of an earlier run would join this sequence: remove them.
        for (const auto& file : fs::directory_iterator(folder, error)) {
            const std::string name = file.path().filename().string();
            if (name.rfind("frame-", 0) == 0 && file.path().extension() == ".png")
                fs::remove(file.path(), error);
        }
    }
    frames_ = framesAtOpen_ = state.frames;
    steps_ = static_cast<uint64_t>(frames_) * stepsPerFrame_;
    state_ = &state;
    started_ = std::chrono::steady_clock::now();
    if (video_)
        return true;
    pngs_ = std::make_unique<PngWriter>(std::max(1u, std::thread::hardware_concurrency()));
    if (!audio_->open((folder / "audio.wav").string(), !first)) {
        fail();
        return false;
    }
    return true;
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
    return state.video->addFrame(pixels_.data());
}

bool FrameCapture::writePicture(int width, int height)
{
    pixels_.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    if (video_)
        return writeVideoFrame(width, height);
    return pngs_->add(framePath(frames_), pixels_.data(), width, height);
}

bool FrameCapture::keepStepSound()
{
    const auto index = static_cast<unsigned>(steps_);
    if (!video_) {
        if (!audio_->captureFrame(index)) {
            std::fprintf(stderr, "capture: cannot write %s/audio.wav\n", target_.c_str());
            return false;
        }
    } else if (state_->video) {
        const std::vector<int16_t>& sound = audio_->mixFrame(index);
        if (!state_->video->addSound(sound.data(), sound.size()))
            return false;
    }
    ++steps_;
    return true;
}

bool FrameCapture::captureStep(int width, int height)
{
    if (width <= 0 || height <= 0 || !state_)
        return false;
    const bool writes = writesNextStep();
    const bool written = !writes || writePicture(width, height);
    if (written && writes) {
        ++frames_;
        state_->frames = frames_;
    }
    if (!written || !keepStepSound()) {
        // A video whose ffmpeg stopped taking input says why.
        std::string message;
        if (state_->video && !state_->video->finish(message))
            std::fprintf(stderr, "capture: %s while making %s\n", message.c_str(), target_.c_str());
        fail();
        return false;
    }
    // The last frame: every file is complete when the window closes.
    if (finished() && pngs_ && !pngs_->drain()) {
        fail();
        return false;
    }
    return true;
}

bool FrameCapture::finished() const
{
    return frameLimit_ && frames_ >= *frameLimit_ && steps_ >= static_cast<uint64_t>(*frameLimit_) * stepsPerFrame_;
}

void FrameCapture::reportProgress()
{
    if (!isatty(STDERR_FILENO))
        return;
    if (!writesNextStep() || (frames_ % 15 != 0 && !finished()))
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
    if (finishReported_ || !state_)
        return;
    finishReported_ = true;
    // The show ended inside a frame: its sound still lasts the whole frame, as its picture does.
    while (!writesNextStep()) {
        if (!keepStepSound()) {
            fail();
            break;
        }
    }
    if (video_) {
        if (frames_ > framesAtOpen_)
            std::fprintf(stderr, "capture: %u frames sent to ffmpeg for %s\n", frames_, target_.c_str());
        return;
    }
    const bool written = !pngs_ || pngs_->drain();
    audio_->close();
    if (!written)
        fail();
    if (frames_ > 0 && written)
        std::fprintf(stderr, "capture: %u frames and audio.wav written to %s\n", frames_, target_.c_str());
}

}  // namespace velmora
