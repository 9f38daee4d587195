// SoundSource: the library calls for one music module, sample or stream.
#include "audio/sound_source.h"

#include <algorithm>

namespace velmora {

namespace {
constexpr uint32_t kMusicFlags = 0x2000;
constexpr uint32_t kSampleFlags = 0x10000;
constexpr uint32_t kSamplePlaybacks = 16;
}  // namespace

SoundSource::~SoundSource() { release(kind_); }

void SoundSource::openFile(const char* name) { file = std::make_unique<DataFile>(name); }

void SoundSource::release(Kind kind) {
    if (handle) {
        if (kind == Kind::Music) BASS_MusicFree(handle);
        if (kind == Kind::Sample) BASS_SampleFree(handle);
        if (kind == Kind::Stream) BASS_StreamFree(handle);
    }
    handle = 0;
    kind_ = Kind::None;
}

void SoundSource::loadMusic(const char* name) {
    if (handle) BASS_MusicFree(handle);
    handle = 0;
    openFile(name);
    if (file->size() == 0) return;
    handle = BASS_MusicLoad(true, file->data(), 0, file->size(), kMusicFlags);
    kind_ = Kind::Music;
    BASS_MusicPreBuf(handle);
}

void SoundSource::loadSample(const char* name) {
    if (handle) BASS_SampleFree(handle);
    handle = 0;
    openFile(name);
    if (file->size() == 0) return;
    handle = BASS_SampleLoad(true, file->data(), 0, file->size(), kSamplePlaybacks, kSampleFlags);
    kind_ = Kind::Sample;
    BASS_ErrorGetCode();
}

void SoundSource::loadStream(const char* name) {
    if (handle) BASS_StreamFree(handle);
    handle = 0;
    openFile(name);
    if (file->size() == 0) return;
    handle = BASS_StreamCreateFile(true, file->data(), 0, file->size(), 0);
    kind_ = Kind::Stream;
    BASS_ErrorGetCode();
    BASS_StreamPreBuf(handle);
}

void SoundSource::playMusic() {
    if (!BASS_MusicPlay(handle)) BASS_ErrorGetCode();
}

void SoundSource::playSample() { BASS_SamplePlay(handle); }

void SoundSource::playStream() { BASS_StreamPlay(handle, false, 0); }

void SoundSource::pause() { BASS_ChannelPause(handle); }

int SoundSource::volumeValue(float v) {
    float scaled = v * 100.0f;
    if (!(scaled > 0.0f)) return 0;  // also NaN
    return static_cast<int>(std::min(scaled, 100.0f));
}

void SoundSource::setVolume(float v) { BASS_ChannelSetAttributes(handle, -1, volumeValue(v), -101); }

int SoundSource::getData(void* buffer, uint32_t bytes) { return BASS_ChannelGetData(handle, buffer, bytes); }

void SoundSource::freeMusic() {
    if (handle) BASS_MusicFree(handle);
    handle = 0;
    kind_ = Kind::None;
    file.reset();
}

void SoundSource::freeSample() {
    if (handle) BASS_SampleFree(handle);
    handle = 0;
    kind_ = Kind::None;
    file.reset();
}

void SoundSource::freeStream() {
    if (handle) BASS_StreamFree(handle);
    handle = 0;
    kind_ = Kind::None;
    file.reset();
}

void SoundSource::releaseMusic() { release(Kind::Music); }
void SoundSource::releaseSample() { release(Kind::Sample); }
void SoundSource::releaseStream() { release(Kind::Stream); }

}  // namespace velmora
