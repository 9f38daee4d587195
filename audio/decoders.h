// Sound decoders for the mixer: tracker modules through libopenmpt, wave/Vorbis/MPEG data through
// libsndfile's virtual I/O, all delivered as interleaved 16-bit stereo frames at 44,100 Hz.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace velmora {

// A playing sound's frame source. Runs on the mixing thread once a channel plays.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Writes up to `frames` stereo frames (44,100 Hz) to `out`; returns how many, fewer only at
    // the end of the sound.
    virtual int render(int16_t* out, int frames) = 0;
    // Back to the first frame.
    virtual void restart() = 0;
    // Playback rate in Hz of the sound's own frames; 0 restores its own rate.
    virtual void setFrequency(int hz) = 0;
    // The order and row the next frame comes from, for modules; false for other sounds.
    virtual bool songPosition(int& /*order*/, int& /*row*/) const { return false; }
};

// A tracker module, copied from `data`. Null when libopenmpt does not accept the bytes.
std::unique_ptr<PcmSource> openModule(const uint8_t* data, uint32_t length);

// A sound file decoded while it plays, read straight from `data` (not copied: the bytes must
// outlive the source). Null when libsndfile does not accept the bytes.
std::unique_ptr<PcmSource> openSoundStream(const uint8_t* data, uint32_t length);

// A sound decoded whole into memory as stereo frames at its own rate.
struct DecodedSound {
    std::vector<int16_t> frames;  // interleaved left, right
    int rate = 44100;  // Hz
};
// Decodes `data` whole; null when libsndfile does not accept it or it holds no frames.
std::shared_ptr<const DecodedSound> decodeSound(const uint8_t* data, uint32_t length);
// A playback of a decoded sound, sharing its frames.
std::unique_ptr<PcmSource> playDecoded(std::shared_ptr<const DecodedSound> sound);

}  // namespace velmora
