// Offline output of the sound library for capturing the show: no device and no clock; the
// mixer advances only when the capture asks for frames, so the sound matches the video exactly.
#pragma once

#include <cstdint>

namespace velmora {

// Chooses offline output for the next BASS_Init (whatever device it names). Call before the
// output starts; false turns it off for later inits.
void useOfflineOutput(bool offline);

// Mixes the next `frames` stereo frames (44,100 Hz, interleaved 16-bit) of the show into `out`.
// While the library is not initialised with offline output, or is stopped, writes silence and
// returns false.
bool mixOffline(int16_t* out, int frames);

}  // namespace velmora
