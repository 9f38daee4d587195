// The sound output device through SDL2 audio: 44,100 Hz, 16-bit signed stereo, pulled by SDL's
// audio thread. The only file of the sound library that talks to SDL.
#pragma once

#include <cstdint>

namespace velmora {

class SdlAudioOutput {
public:
    // Fills `frames` stereo frames of 16-bit samples; called on SDL's audio thread.
    using Fill = void (*)(int16_t* out, int frames, void* user);

    ~SdlAudioOutput();

    // Opens the default device, paused. False when there is no usable device.
    bool open(Fill fill, void* user);
    // Starts or pauses the device's calls to `fill`. Must not be called with a lock that `fill`
    // takes: it waits for SDL's audio thread.
    void setPaused(bool paused);
    void close();

private:
    static void callback(void* self, uint8_t* stream, int bytes);

    uint32_t device_ = 0;
    Fill fill_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace velmora
