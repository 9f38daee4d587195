// The state shared by every flanger and echo of the program: their delay rings and the flange
// sweep. Touched only by the DSP callbacks, which all run on the one mixing thread.
#pragma once

#include <cstdint>

namespace velmora {

constexpr int kEchoFrames = 1200;
constexpr int kFlangeFrames = 350;

struct DspRings {
    int16_t echo[kEchoFrames][2] = {};      // left, right; silent at start
    int16_t flange[kFlangeFrames][2] = {};  // the dry input of the last 350 frames
    float flangeSweep = 175.0f;             // read offset into the flange ring, 0..350
};

// The one instance. Never reset by the show: a later flanger or echo goes on from where the
// previous one left the rings.
DspRings& dspRings();

// Back to the silent rings of the program's start: for a show started again from the beginning.
// Only while no DSP hook runs (the sound output stopped or freed).
void resetDspRings();

}  // namespace velmora
