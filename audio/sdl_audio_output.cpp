// SDL2 audio device for the sound library.
#include "audio/sdl_audio_output.h"

#include <SDL.h>

#include "audio/sound_library.h"

namespace velmora {

SdlAudioOutput::~SdlAudioOutput() { close(); }

bool SdlAudioOutput::open(Fill fill, void* user) {
    close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    // A driver that lists no output device at all has nothing to open; trying anyway only makes
    // the sound system print its failures on the console. (-1: the driver cannot list them.)
    if (SDL_GetNumAudioDevices(0) == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    fill_ = fill;
    user_ = user;
    SDL_AudioSpec want = {};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &SdlAudioOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have = {};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void SdlAudioOutput::setPaused(bool paused) {
    if (device_) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

void SdlAudioOutput::close() {
    if (!device_) return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::callback(void* self, uint8_t* stream, int bytes) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    output->fill_(reinterpret_cast<int16_t*>(stream), bytes / 4, output->user_);
}

}  // namespace velmora
