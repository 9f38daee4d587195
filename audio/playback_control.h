// Author-mode control of the sound library's playback: advancing every playing channel without
// output (the run-up to a start time) and the count of frames played, to keep sound and
// picture together.
#pragma once

#include <cstdint>

namespace velmora {

// Mixes the next `frames` stereo frames (44,100 Hz) of every playing channel, with their DSP
// hooks, and discards them: the channels end where they would be had they been heard. Works
// whether the output is started or stopped; nothing when the library is not initialised.
void advancePlayback(int frames);

// Frames mixed since BASS_Init: heard (device, clock or offline output) or advanced.
int64_t playedFrames();

}  // namespace velmora
