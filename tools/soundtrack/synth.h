// Synthesised instruments of the soundtrack (drums, bass, pad, lead, pluck) and the show's two
// other sounds: a short impact effect and an ambient stream. Everything is deterministic.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/soundtrack/xm_writer.h"

namespace velmora::soundtrack {

constexpr int kSynthRate = 44100;

// Drum one-shots at 44,100 Hz, tuned so that note C-4 plays them at their own rate.
Instrument kickDrum();
Instrument snareDrum();
Instrument closedHat();
Instrument openHat();
Instrument crashCymbal();

// Pitched, looped instruments tuned so that note C-4 sounds at 261.63 Hz.
Instrument bassSynth();
Instrument padSynth();
Instrument leadSynth();
Instrument pluckSynth();

// A 1.5 s impact: a low boom under a falling noise sweep. Stereo frames, interleaved.
std::vector<int16_t> impactSound();
// An ambient drone in A minor with slowly moving brightness, `seconds` long; stereo frames.
std::vector<int16_t> ambientStream(double seconds);

}  // namespace velmora::soundtrack
