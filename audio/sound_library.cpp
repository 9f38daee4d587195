// Our sound library's entry points: the output (device, clock or offline) and the calls on
// music, samples, streams, channels and DSP hooks, serialised by one lock shared with the mixer.
#include "audio/sound_library.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "audio/clock_output.h"
#include "audio/decoders.h"
#include "audio/mixer.h"
#include "audio/offline_output.h"
#include "audio/playback_control.h"
#include "audio/sdl_audio_output.h"

namespace velmora {
namespace {

enum class Output { None, Device, Clock, Offline };

struct Library {
    std::mutex lock;  // guards everything below except the outputs' own threads
    Mixer mixer;
    Output output = Output::None;
    bool started = false;
    bool offlineRequested = false;
    int64_t playedFrames = 0;  // mixed since BASS_Init, heard or advanced
    std::vector<int16_t> discard;  // advancePlayback's output
    SdlAudioOutput device;
    ClockOutput clock;
};

Library& library() {
    static Library instance;
    return instance;
}

thread_local int lastError = kSoundOk;

bool fail(int error) {
    lastError = error;
    return false;
}

void fillFromMixer(int16_t* out, int frames, void* user) {
    auto* lib = static_cast<Library*>(user);
    std::lock_guard guard(lib->lock);
    if (lib->started) {
        lib->mixer.mix(out, frames);
        lib->playedFrames += frames;
    } else  // stopped: nothing advances from the moment BASS_Stop returns
        std::fill(out, out + size_t(frames) * 2, int16_t(0));
}

// Runs `call` on the mixer under the lock, after checking that the library is initialised, and
// takes over the mixer's error code.
template <typename Call>
auto withMixer(Call call) -> decltype(call(std::declval<Mixer&>())) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (lib.output == Output::None) {
        lastError = kSoundErrorInit;
        return {};
    }
    auto result = call(lib.mixer);
    lastError = lib.mixer.lastError;
    return result;
}

bool initialised() {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    return lib.output != Output::None;
}

// Checks the common arguments of the from-memory loads.
const uint8_t* memoryArgument(bool fromMemory, const void* file, uint32_t offset, uint32_t length) {
    if (!initialised()) return fail(kSoundErrorInit), nullptr;
    if (!fromMemory || !file) return fail(kSoundErrorIllegalParam), nullptr;
    if (length == 0) return fail(kSoundErrorFile), nullptr;
    return static_cast<const uint8_t*>(file) + offset;
}

void setOutputPaused(Library& lib, Output output, bool paused) {
    if (output == Output::Device) lib.device.setPaused(paused);
    if (output == Output::Clock) lib.clock.setPaused(paused);
}

}  // namespace

// ---- output ----

bool BASS_Init(int device, uint32_t rate, uint32_t /*flags*/, void* /*window*/) {
    Library& lib = library();
    if (initialised()) return fail(kSoundErrorAlready);
    if (rate != uint32_t(kOutputRate) || (device != -1 && device != -2))
        return fail(kSoundErrorIllegalParam);
    Output output = lib.offlineRequested ? Output::Offline
                    : device == -2       ? Output::Clock
                                         : Output::Device;
    if (output == Output::Device && !lib.device.open(fillFromMixer, &lib)) return fail(kSoundErrorDriver);
    if (output == Output::Clock) lib.clock.open(fillFromMixer, &lib);
    std::lock_guard guard(lib.lock);
    lib.output = output;
    lib.started = false;
    lib.playedFrames = 0;
    lastError = kSoundOk;
    return true;
}

bool BASS_Start() {
    Library& lib = library();
    Output output;
    {
        std::lock_guard guard(lib.lock);
        if (lib.output == Output::None) return fail(kSoundErrorInit);
        lib.started = true;
        output = lib.output;
    }
    setOutputPaused(lib, output, false);  // outside the lock: waits for the audio thread
    lastError = kSoundOk;
    return true;
}

bool BASS_Stop() {
    Library& lib = library();
    Output output;
    {
        std::lock_guard guard(lib.lock);
        if (lib.output == Output::None) return fail(kSoundErrorInit);
        lib.started = false;
        output = lib.output;
    }
    setOutputPaused(lib, output, true);
    lastError = kSoundOk;
    return true;
}

bool BASS_Free() {
    Library& lib = library();
    if (!initialised()) return fail(kSoundErrorInit);
    lib.device.close();  // joins the output threads, which take the lock
    lib.clock.close();
    std::lock_guard guard(lib.lock);
    lib.mixer.clear();
    lib.output = Output::None;
    lib.started = false;
    lastError = kSoundOk;
    return true;
}

void useOfflineOutput(bool offline) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    lib.offlineRequested = offline;
}

bool mixOffline(int16_t* out, int frames) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (lib.output != Output::Offline || !lib.started) {
        std::fill(out, out + size_t(std::max(frames, 0)) * 2, int16_t(0));
        return false;
    }
    lib.mixer.mix(out, frames);
    lib.playedFrames += frames;
    return true;
}

void advancePlayback(int frames) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (lib.output == Output::None || frames <= 0) return;
    lib.discard.resize(size_t(frames) * 2);
    lib.mixer.mix(lib.discard.data(), frames);
    lib.playedFrames += frames;
}

int64_t playedFrames() {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    return lib.playedFrames;
}

// ---- music ----

SoundHandle BASS_MusicLoad(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                           uint32_t /*flags*/) {
    const uint8_t* data = memoryArgument(fromMemory, file, offset, length);
    if (!data) return 0;
    auto source = openModule(data, length);  // decoding happens outside the lock
    if (!source) return fail(kSoundErrorFormat);
    return withMixer([&](Mixer& m) { return m.addMusic(std::move(source)); });
}

bool BASS_MusicPreBuf(SoundHandle music) {
    return withMixer([&](Mixer& m) {
        m.lastError = m.exists(music, Mixer::kMusic) ? kSoundOk : kSoundErrorHandle;
        return m.lastError == kSoundOk;
    });
}

bool BASS_MusicPlay(SoundHandle music) {
    if ((music & Mixer::kKindMask) != Mixer::kMusic) return fail(kSoundErrorHandle);
    return withMixer([&](Mixer& m) { return m.play(music, false); });
}

bool BASS_MusicFree(SoundHandle music) {
    if ((music & Mixer::kKindMask) != Mixer::kMusic) return fail(kSoundErrorHandle);
    return withMixer([&](Mixer& m) { return m.free(music); });
}

// ---- samples ----

SoundHandle BASS_SampleLoad(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                            uint32_t maxPlaybacks, uint32_t /*flags*/) {
    if (maxPlaybacks < 1 || maxPlaybacks > 1000) return fail(kSoundErrorIllegalParam);
    const uint8_t* data = memoryArgument(fromMemory, file, offset, length);
    if (!data) return 0;
    auto sound = decodeSound(data, length);
    if (!sound) return fail(kSoundErrorFormat);
    return withMixer([&](Mixer& m) { return m.addSample(std::move(sound), maxPlaybacks); });
}

SoundHandle BASS_SamplePlay(SoundHandle sample) {
    return withMixer([&](Mixer& m) { return m.playSample(sample); });
}

bool BASS_SampleFree(SoundHandle sample) {
    if ((sample & Mixer::kKindMask) != Mixer::kSample) return fail(kSoundErrorHandle);
    return withMixer([&](Mixer& m) { return m.free(sample); });
}

// ---- streams ----

SoundHandle BASS_StreamCreateFile(bool fromMemory, const void* file, uint32_t offset,
                                  uint32_t length, uint32_t /*flags*/) {
    const uint8_t* data = memoryArgument(fromMemory, file, offset, length);
    if (!data) return 0;
    auto source = openSoundStream(data, length);
    if (!source) return fail(kSoundErrorFormat);
    return withMixer([&](Mixer& m) { return m.addStream(std::move(source)); });
}

bool BASS_StreamPreBuf(SoundHandle stream) {
    return withMixer([&](Mixer& m) {
        m.lastError = m.exists(stream, Mixer::kStream) ? kSoundOk : kSoundErrorHandle;
        return m.lastError == kSoundOk;
    });
}

bool BASS_StreamPlay(SoundHandle stream, bool flush, uint32_t /*flags*/) {
    if ((stream & Mixer::kKindMask) != Mixer::kStream) return fail(kSoundErrorHandle);
    return withMixer([&](Mixer& m) { return m.play(stream, flush); });
}

bool BASS_StreamFree(SoundHandle stream) {
    if ((stream & Mixer::kKindMask) != Mixer::kStream) return fail(kSoundErrorHandle);
    return withMixer([&](Mixer& m) { return m.free(stream); });
}

// ---- channels ----

bool BASS_ChannelPause(SoundHandle channel) {
    return withMixer([&](Mixer& m) { return m.pause(channel); });
}

bool BASS_ChannelSetAttributes(SoundHandle channel, int frequency, int volume, int pan) {
    return withMixer([&](Mixer& m) { return m.setAttributes(channel, frequency, volume, pan); });
}

int BASS_ChannelGetData(SoundHandle channel, void* buffer, uint32_t length) {
    if (!initialised()) {
        lastError = kSoundErrorInit;
        return -1;
    }
    return withMixer([&](Mixer& m) { return m.getData(channel, buffer, length); });
}

uint64_t BASS_ChannelGetPosition(SoundHandle channel, uint32_t mode) {
    constexpr uint64_t kFailed = ~uint64_t(0);
    if (!initialised()) {
        lastError = kSoundErrorInit;
        return kFailed;
    }
    return withMixer([&](Mixer& m) -> uint64_t {
        int order = 0, row = 0;
        if (!m.musicPosition(channel, mode, order, row)) return kFailed;
        return uint64_t(uint16_t(order)) | uint64_t(uint16_t(row)) << 16;
    });
}

uint32_t BASS_ChannelSetDSP(SoundHandle channel, DspProcedure procedure, void* user) {
    return withMixer([&](Mixer& m) { return m.addDsp(channel, procedure, user); });
}

bool BASS_ChannelRemoveDSP(SoundHandle channel, uint32_t dsp) {
    return withMixer([&](Mixer& m) { return m.removeDsp(channel, dsp); });
}

int BASS_ErrorGetCode() { return lastError; }

}  // namespace velmora
