// The mixer behind our sound library: the table of music, sample and stream channels with their
// attributes, DSP hooks and played-data history, mixed into 16-bit stereo output frames.
// Not locked itself: the library serialises every call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/decoders.h"
#include "audio/sound_library.h"

namespace velmora {

class Mixer {
public:
    Mixer();

    // Channel creation. Each returns the new handle, or 0 with the error in lastError.
    SoundHandle addMusic(std::unique_ptr<PcmSource> source);
    SoundHandle addStream(std::unique_ptr<PcmSource> source);
    SoundHandle addSample(std::shared_ptr<const DecodedSound> sound, uint32_t maxPlaybacks);

    // Each returns false (0 for playSample) with the error in lastError.
    bool play(SoundHandle channel, bool fromStart);  // music or stream
    SoundHandle playSample(SoundHandle sample);
    bool free(SoundHandle handle);  // music, stream or sample (with its playbacks)
    bool pause(SoundHandle channel);
    bool setAttributes(SoundHandle channel, int frequency, int volume, int pan);
    int getData(SoundHandle channel, void* buffer, uint32_t length);
    // The order and row of playing music (`mode` kPositionMusicOrder).
    bool musicPosition(SoundHandle channel, uint32_t mode, int& order, int& row);
    uint32_t addDsp(SoundHandle channel, DspProcedure procedure, void* user);
    bool removeDsp(SoundHandle channel, uint32_t dsp);
    bool exists(SoundHandle handle, uint32_t kind) const;
    void clear();  // frees every channel

    // Mixes `frames` stereo frames of every playing channel into `out`.
    void mix(int16_t* out, int frames);

    int lastError = kSoundOk;

    // Handle kinds, in the top bits of a handle.
    static constexpr uint32_t kMusic = 1u << 28, kSample = 2u << 28, kStream = 3u << 28,
                              kPlayback = 4u << 28, kKindMask = 0xFu << 28;

private:
    static constexpr int kHistoryFrames = 8192;
    static constexpr int kChunkFrames = 2048;

    struct Dsp {
        uint32_t handle;
        DspProcedure procedure;
        void* user;
    };
    struct Channel {
        SoundHandle handle = 0;
        SoundHandle sample = 0;  // the sample of a playback
        std::unique_ptr<PcmSource> source;
        std::shared_ptr<const DecodedSound> sound;  // a sample's frames
        uint32_t maxPlaybacks = 0;
        uint64_t started = 0;  // playback start order, for replacing the oldest
        bool playing = false, ended = false;
        int frequency = 0, volume = 100, pan = 0;
        std::vector<Dsp> dsps;
        std::vector<int16_t> history;  // ring of the newest played frames
        int historyNext = 0, historyCount = 0;
    };

    Channel* find(SoundHandle handle);
    const Channel* find(SoundHandle handle) const;
    Channel* findChannel(SoundHandle handle);  // any kind; sets the handle error when missing
    SoundHandle add(Channel channel, uint32_t kind);
    void mixChannel(Channel& channel, int frames);
    void remember(Channel& channel, const int16_t* frames, int count);
    bool fail(int error);

    std::vector<std::unique_ptr<Channel>> channels_;
    uint32_t nextId_ = 1;
    uint32_t nextDsp_ = 1;  // never reset: a DSP handle is never handed out twice in a process
    uint64_t playCounter_ = 0;
    std::vector<int16_t> scratch_;
    std::vector<int32_t> sum_;
};

}  // namespace velmora
