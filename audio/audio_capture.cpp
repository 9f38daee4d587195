// Sound capture into a WAV file and muxing with ffmpeg.
#include "audio/audio_capture.h"

#include <spawn.h>
#include <sys/wait.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "audio/offline_output.h"
#include "audio/sound_library.h"

extern char** environ;

namespace velmora {

namespace {
void putLe(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = uint8_t(value >> (8 * i));
}
constexpr uint32_t kHeaderBytes = 44;
}  // namespace

AudioCapture::AudioCapture(int fps) : fps_(fps > 0 ? fps : 60) { useOfflineOutput(true); }

AudioCapture::~AudioCapture() { close(); }

int64_t AudioCapture::framesBefore(int64_t index, int fps) {
    return index <= 0 || fps <= 0 ? 0 : index * kOutputRate / fps;
}

bool AudioCapture::writeHeader() {
    uint8_t h[kHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    putLe(h + 4, 36 + dataBytes_, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe(h + 16, 16, 4);
    putLe(h + 20, 1, 2);  // PCM
    putLe(h + 22, 2, 2);
    putLe(h + 24, kOutputRate, 4);
    putLe(h + 28, kOutputRate * 4, 4);
    putLe(h + 32, 4, 2);
    putLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    putLe(h + 40, dataBytes_, 4);
    return std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, kHeaderBytes, file_) == kHeaderBytes &&
           std::fseek(file_, 0, SEEK_END) == 0;
}

bool AudioCapture::open(const std::string& path, bool append) {
    close();
    dataBytes_ = 0;
    if (append && (file_ = std::fopen(path.c_str(), "r+b"))) {
        uint8_t h[kHeaderBytes];
        bool ours = std::fread(h, 1, kHeaderBytes, file_) == kHeaderBytes && std::memcmp(h, "RIFF", 4) == 0 &&
                    std::memcmp(h + 36, "data", 4) == 0;
        if (ours) {
            dataBytes_ = h[40] | h[41] << 8 | h[42] << 16 | uint32_t(h[43]) << 24;
            std::fseek(file_, 0, SEEK_END);
            long size = std::ftell(file_);
            if (size >= long(kHeaderBytes)) dataBytes_ = uint32_t(size - kHeaderBytes) & ~3u;
            return true;
        }
        std::fclose(file_);
        file_ = nullptr;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_ || !writeHeader()) {
        std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
        close();
        return false;
    }
    return true;
}

bool AudioCapture::captureFrame(unsigned index) {
    if (!file_) return false;
    int frames = static_cast<int>(framesBefore(int64_t(index) + 1, fps_) - framesBefore(index, fps_));
    buffer_.resize(size_t(frames) * 2);
    mixOffline(buffer_.data(), frames);  // silence while the output is stopped
    static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");
    if (std::fwrite(buffer_.data(), 4, size_t(frames), file_) != size_t(frames)) return false;
    dataBytes_ += uint32_t(frames) * 4;
    return true;
}

void AudioCapture::close() {
    if (!file_) return;
    writeHeader();
    std::fclose(file_);
    file_ = nullptr;
}

bool muxCapture(const std::string& folder, int fps, const std::string& audioPath,
                const std::string& output, std::string& message) {
    std::string rate = std::to_string(fps > 0 ? fps : 60);
    std::string pattern = folder + "/frame-%06d.png";
    std::vector<std::string> args = {"ffmpeg", "-y", "-loglevel", "error", "-framerate", rate,
                                     "-i", pattern, "-i", audioPath, "-c:v", "libx264",
                                     "-pix_fmt", "yuv420p", "-crf", "18", "-c:a", "aac",
                                     "-b:a", "192k", "-shortest", output};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int error = posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        message = error == ENOENT ? "ffmpeg not found" : std::string("cannot run ffmpeg: ") + std::strerror(error);
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        message = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "ffmpeg not found" : "ffmpeg failed";
        return false;
    }
    return true;
}

}  // namespace velmora
