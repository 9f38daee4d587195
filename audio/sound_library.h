// Our sound library: the calls the show makes to play music modules, samples and streams from
// memory, with volume, pan, DSP hooks and the newest played data. Output is SDL2 audio at
// 44,100 Hz, 16-bit stereo; without a device the mixer runs against a clock and discards output.
#pragma once

#include <cstdint>

namespace velmora {

// Handles: 0 is never a valid handle. Music, sample, stream and sample-playback handles are
// all channels for the BASS_Channel* calls; a sample handle there means all its playbacks.
using SoundHandle = uint32_t;

// A DSP hook: changes `length` bytes of interleaved 16-bit stereo frames at 44,100 Hz in place.
// Runs on the mixing thread while the library's lock is held: it must not call the library.
using DspProcedure = void (*)(uint32_t dsp, uint32_t channel, void* buffer, uint32_t length,
                              void* user);

constexpr int kOutputRate = 44100;

// Error codes read by BASS_ErrorGetCode; the code of the last call on this process.
enum SoundError : int {
    kSoundOk = 0,
    kSoundErrorMemory = 1,      // out of memory
    kSoundErrorFile = 2,        // data not readable / empty
    kSoundErrorDriver = 3,      // no output device could be opened
    kSoundErrorHandle = 5,      // unknown handle (also handle 0)
    kSoundErrorFormat = 6,      // unsupported or broken sound data
    kSoundErrorInit = 8,        // BASS_Init has not been called
    kSoundErrorStart = 9,       // output not started
    kSoundErrorAlready = 14,    // already initialised / already playing
    kSoundErrorNoChannel = 18,  // no free playback slot
    kSoundErrorIllegalParam = 20,
    kSoundErrorNotPlaying = 24,  // the channel is not playing
    kSoundErrorNotAvailable = 37,  // the channel has no such position mode
    kSoundErrorEnded = 45,      // channel has ended (pause of a finished channel)
};

// Position modes of BASS_ChannelGetPosition.
constexpr uint32_t kPositionMusicOrder = 1;  // order in the low 16 bits, row in the high 16 bits

// Output. `device` -1 is the default output device; -2 is no device: playback runs against the
// clock and the output is discarded. `rate` must be 44100; `flags` and `window` are accepted
// and not used. False when the device cannot be opened or the library is already initialised.
bool BASS_Init(int device, uint32_t rate, uint32_t flags, void* window);
bool BASS_Start();  // starts (or resumes) the output
bool BASS_Stop();   // pauses the output; channels keep their positions
bool BASS_Free();   // closes the output and frees every channel and DSP

// Music modules (it, xm, mod, mtm, s3m, ...). `fromMemory` must be true: `file` points to
// `length` bytes at `offset`, which are copied. 0 on failure.
SoundHandle BASS_MusicLoad(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                           uint32_t flags);
bool BASS_MusicPreBuf(SoundHandle music);
bool BASS_MusicPlay(SoundHandle music);  // from the current position; from the start once ended
bool BASS_MusicFree(SoundHandle music);

// Samples (wav, ogg, mp3, ...), decoded whole at load. `maxPlaybacks` (1..1000) playbacks may
// sound at once; a further play replaces the oldest. 0 on failure.
SoundHandle BASS_SampleLoad(bool fromMemory, const void* file, uint32_t offset, uint32_t length,
                            uint32_t maxPlaybacks, uint32_t flags);
SoundHandle BASS_SamplePlay(SoundHandle sample);  // the new playback's handle, 0 on failure
bool BASS_SampleFree(SoundHandle sample);

// Streams (wav, ogg, mp3, mp2, mp1, ...), decoded while playing straight from `file`: the
// memory must stay valid until BASS_StreamFree. 0 on failure.
SoundHandle BASS_StreamCreateFile(bool fromMemory, const void* file, uint32_t offset,
                                  uint32_t length, uint32_t flags);
bool BASS_StreamPreBuf(SoundHandle stream);
bool BASS_StreamPlay(SoundHandle stream, bool flush, uint32_t flags);  // flush: from the start
bool BASS_StreamFree(SoundHandle stream);

// Channels. Attributes: `frequency` in Hz (0 = the sound's own rate, -1 unchanged), `volume`
// 0..100 (-1 unchanged), `pan` -100 (left)..100 (right) (-101 unchanged).
bool BASS_ChannelPause(SoundHandle channel);
bool BASS_ChannelSetAttributes(SoundHandle channel, int frequency, int volume, int pan);
// Copies the newest played frames (after DSP, before volume and pan) into `buffer`, oldest
// first: up to `length` bytes of whole frames. Returns the bytes copied, or -1 on error.
int BASS_ChannelGetData(SoundHandle channel, void* buffer, uint32_t length);
// The position of a playing channel in `mode`; only music has one (kPositionMusicOrder). That of
// the newest mixed frames, a little ahead of what the device has sounded. -1 on failure, also
// while the channel does not play.
uint64_t BASS_ChannelGetPosition(SoundHandle channel, uint32_t mode);
// Adds a DSP hook (run after the ones added before it); `user` is handed to it. 0 on failure.
// A DSP handle is never handed out twice in a process, also across BASS_Free and BASS_Init.
uint32_t BASS_ChannelSetDSP(SoundHandle channel, DspProcedure procedure, void* user);
bool BASS_ChannelRemoveDSP(SoundHandle channel, uint32_t dsp);

int BASS_ErrorGetCode();

}  // namespace velmora
