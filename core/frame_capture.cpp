// PNG frame capture with libpng's simplified writer.
#include "core/frame_capture.h"

#include <GL/gl.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

namespace velmora {

FrameCapture::FrameCapture(std::string folder, int fps, std::optional<double> durationSeconds)
    : folder_(std::move(folder)), fps_(fps > 0 ? fps : 60), audio_(std::make_unique<AudioCapture>(fps_))
{
    if (folder_.size() > 4 && folder_.compare(folder_.size() - 4, 4, ".mp4") == 0) {
        video_ = folder_;
        folder_ += ".frames";
    }
    if (durationSeconds)
        frameLimit_ = *durationSeconds > 0 ? static_cast<unsigned>(std::llround(*durationSeconds * fps_)) : 0u;
}

namespace {
// Frames written so far in this run, per capture folder: a script with several `demo` elements
// captures them one after the other into the same sequence.
std::map<std::string, unsigned>& framesPerFolder()
{
    static std::map<std::string, unsigned> frames;
    return frames;
}
}  // namespace

bool FrameCapture::open()
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error || !fs::is_directory(folder_)) {
        std::fprintf(stderr, "capture: cannot create the folder %s\n", folder_.c_str());
        return false;
    }
    const std::string key = fs::weakly_canonical(folder_, error).string();
    auto [entry, first] = framesPerFolder().try_emplace(key, 0u);
    if (first) {
        // Frames of an earlier run would join this sequence: remove them.
        for (const auto& file : fs::directory_iterator(folder_, error)) {
            const std::string name = file.path().filename().string();
            if (name.rfind("frame-", 0) == 0 && file.path().extension() == ".png")
                fs::remove(file.path(), error);
        }
    }
    frames_ = entry->second;
    sequence_ = &entry->second;
    return audio_->open((fs::path(folder_) / "audio.wav").string(), !first);
}

std::string FrameCapture::framePath(unsigned index) const
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06u.png", index);
    return (std::filesystem::path(folder_) / name).string();
}

bool FrameCapture::writeFrame(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    pixels_.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    const std::string path = framePath(frames_);
    if (!writePng(path, pixels_.data(), width, height)) {
        std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
        return false;
    }
    if (!audio_->captureFrame(frames_)) {
        std::fprintf(stderr, "capture: cannot write %s/audio.wav\n", folder_.c_str());
        return false;
    }
    ++frames_;
    if (sequence_)
        *sequence_ = frames_;
    return true;
}

bool FrameCapture::finished() const { return frameLimit_ && frames_ >= *frameLimit_; }

void FrameCapture::reportProgress()
{
    if (!isatty(STDERR_FILENO))
        return;
    if (frames_ % 15 != 0 && !finished())
        return;
    if (frameLimit_) {
        const double left = static_cast<double>(*frameLimit_ - frames_) / fps_;
        std::fprintf(stderr, "\rcapture: %u frames done, %.1f s left   ", frames_, left);
    } else {
        std::fprintf(stderr, "\rcapture: %u frames done, %.1f s of show   ", frames_,
                     static_cast<double>(frames_) / fps_);
    }
    progressShown_ = true;
}

void FrameCapture::finish()
{
    if (progressShown_)
        std::fputc('\n', stderr);
    audio_->close();
    if (frames_ > 0 && !finishReported_) {
        std::fprintf(stderr, "capture: %u frames and audio.wav written to %s\n", frames_, folder_.c_str());
        std::string message;
        const std::string sound = (std::filesystem::path(folder_) / "audio.wav").string();
        if (!video_.empty() && muxCapture(folder_, fps_, sound, video_, message))
            std::fprintf(stderr, "capture: video written to %s\n", video_.c_str());
        else if (!video_.empty())
            std::fprintf(stderr, "capture: %s: no video made, the frames and audio.wav stay in %s\n",
                         message.c_str(), folder_.c_str());
    }
    finishReported_ = true;
}

bool FrameCapture::writePng(const std::string& path, const uint8_t* rgba, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    // Opaque RGB: the colour buffer's alpha is not part of the picture.
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        rgb[i * 3] = rgba[i * 4];
        rgb[i * 3 + 1] = rgba[i * 4 + 1];
        rgb[i * 3 + 2] = rgba[i * 4 + 2];
    }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative row stride writes the bottom-up GL rows top row first.
    const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), -width * 3, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

}  // namespace velmora
