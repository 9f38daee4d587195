// Sound capture into a WAV file.
#include "audio/audio_capture.h"

#include <bit>
#include <cstring>

#include "audio/offline_output.h"
#include "audio/sound_library.h"

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

const std::vector<int16_t>& AudioCapture::mixFrame(unsigned index) {
    int frames = static_cast<int>(framesBefore(int64_t(index) + 1, fps_) - framesBefore(index, fps_));
    buffer_.resize(size_t(frames) * 2);
    mixOffline(buffer_.data(), frames);  // silence while the output is stopped
    return buffer_;
}

bool AudioCapture::captureFrame(unsigned index) {
    if (!file_) return false;
    const size_t frames = mixFrame(index).size() / 2;
    static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");
    if (std::fwrite(buffer_.data(), 4, frames, file_) != frames) return false;
    dataBytes_ += uint32_t(frames) * 4;
    return true;
}

void AudioCapture::close() {
    if (!file_) return;
    writeHeader();
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace velmora
