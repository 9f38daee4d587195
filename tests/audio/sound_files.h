// Sound files built in memory for the audio tests: 16-bit PCM WAV, Ogg Vorbis through
// libsndfile, and a one-pattern four-channel MOD module.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velmora::testing {

inline void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A WAV file of `samples` (interleaved when `channels` is 2).
inline std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples, int channels = 2,
                                    int rate = 44100) {
    std::vector<uint8_t> out;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, 1, 2);
    putLe(out, channels, 2);
    putLe(out, rate, 4);
    putLe(out, rate * channels * 2, 4);
    putLe(out, channels * 2, 2);
    putLe(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (int16_t s : samples) putLe(out, uint16_t(s), 2);
    return out;
}

// The samples of a 16-bit PCM WAV file with the plain 44-byte header (as captures write it).
inline std::vector<int16_t> wavSamples(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

// Stereo frames whose left is `i` and right is `-i` for frame i (a ramp easy to check).
inline std::vector<int16_t> rampFrames(int count) {
    std::vector<int16_t> s;
    for (int i = 0; i < count; ++i) {
        s.push_back(int16_t(i));
        s.push_back(int16_t(-i));
    }
    return s;
}

// A file of a 440 Hz stereo tone, `seconds` long, encoded by libsndfile in `format`
// (default Ogg Vorbis). Empty when libsndfile cannot write the format.
inline std::vector<uint8_t> oggTone(double seconds, int format = SF_FORMAT_OGG | SF_FORMAT_VORBIS) {
    auto path = std::filesystem::temp_directory_path() /
                ("velmora_tone_" + std::to_string(::getpid()) + ".snd");
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return {};
    std::vector<short> frames;
    for (int i = 0; i < int(seconds * 44100); ++i) {
        short v = short(12000 * std::sin(i * 2 * M_PI * 440 / 44100));
        frames.push_back(v);
        frames.push_back(v);
    }
    sf_writef_short(f, frames.data(), sf_count_t(frames.size() / 2));
    sf_close(f);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove(path);
    return bytes;
}

// A four-channel ProTracker module: one pattern of 64 rows (7.68 s at speed 6, 125 BPM) with a
// square-wave sample playing C-3 on channel 1 every 8 rows.
inline std::vector<uint8_t> modFile() {
    std::vector<uint8_t> out(20, 0);
    std::memcpy(out.data(), "velmora test", 12);
    const int sampleWords = 32;
    for (int s = 0; s < 31; ++s) {
        std::vector<uint8_t> header(30, 0);
        if (s == 0) {
            header[22] = 0;
            header[23] = sampleWords;  // length in words, big-endian
            header[25] = 64;           // volume
            header[29] = sampleWords;  // loop the whole sample
        }
        out.insert(out.end(), header.begin(), header.end());
    }
    out.push_back(1);    // song length
    out.push_back(127);  // restart
    std::vector<uint8_t> orders(128, 0);
    out.insert(out.end(), orders.begin(), orders.end());
    out.insert(out.end(), {'M', '.', 'K', '.'});
    for (int row = 0; row < 64; ++row)
        for (int channel = 0; channel < 4; ++channel) {
            bool note = channel == 0 && row % 8 == 0;
            const int period = 428;
            out.push_back(note ? uint8_t(period >> 8) : 0);
            out.push_back(note ? uint8_t(period & 0xFF) : 0);
            out.push_back(note ? 0x10 : 0);  // sample 1
            out.push_back(0);
        }
    for (int i = 0; i < sampleWords * 2; ++i) out.push_back(i < sampleWords ? 100 : uint8_t(-100));
    return out;
}

// Deterministic noise bytes: no sound format accepts them.
inline std::vector<uint8_t> noiseBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count);
    for (auto& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return out;
}

}  // namespace velmora::testing
