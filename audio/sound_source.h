// One loaded sound: the sound library's handle together with the data file holding its bytes,
// which the library reads from memory and which therefore outlives the handle.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/sound_library.h"
#include "resources/data_file.h"

namespace velmora {

class SoundSource {
public:
    SoundSource() = default;
    ~SoundSource();  // frees the handle (of the kind it was loaded as) and the file
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;

    // Each load frees the previous handle, opens the data file `name` (logical name) and, when it
    // has bytes, makes the handle. A missing or unplayable file leaves the handle 0.
    void loadMusic(const char* name);
    void loadSample(const char* name);
    void loadStream(const char* name);

    void playMusic();
    void playSample();
    void playStream();
    void pause();
    // `v` 1.0 is full volume; sent as v x 100 clamped to 0..100 and truncated.
    void setVolume(float v);
    // The newest played data of the channel: the library's result (bytes, or -1).
    int getData(void* buffer, uint32_t bytes);

    // Frees the handle and the file.
    void freeMusic();
    void freeSample();
    void freeStream();
    // Frees the handle only; the file stays.
    void releaseMusic();
    void releaseSample();
    void releaseStream();

    // The volume value set volume sends to the library for `v`.
    static int volumeValue(float v);

    SoundHandle handle = 0;          // 0: none
    std::unique_ptr<DataFile> file;  // null: none

private:
    enum class Kind { None, Music, Sample, Stream };
    void openFile(const char* name);
    void release(Kind kind);

    Kind kind_ = Kind::None;
};

}  // namespace velmora
