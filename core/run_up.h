// The run-up: the show played from its current time to a later one with a fixed step and nothing
// shown, so that it arrives there looking and sounding as if it had played all along.
#pragma once

#include <cstdint>

namespace velmora {

class Demo;

// Frames just before the target that are drawn in full when an effect of the draw order reads
// the picture of the frames before it (a trail fading by 3.5 % a frame has faded below one step
// of 8-bit colour after about 180 frames).
constexpr int64_t kWarmUpFrames = 180;

struct RunUpResult {
    int64_t frames = 0;          // frames stepped
    double wallSeconds = 0;      // time the run-up took
};

// Steps `demo` from frame `firstFrame` (its clock at firstFrame / fps seconds) to frame
// `lastFrame` (exclusive) at `fps` frames a second: every due event fires, every active effect
// of the draw order is updated with 100 / fps hundredths, render runs for the effects that
// change state while drawing (and for every effect in the last kWarmUpFrames frames when one
// reads the previous picture). The sound output is stopped meanwhile and each frame's share of
// sound (as a capture at `fps` would take it) is mixed and discarded, so every channel ends
// where it would be. The output is left stopped. Stops early when the window closes (an `exit`).
// After a second a progress line goes to standard error, and a progress bar to a window.
RunUpResult runUp(Demo& demo, int64_t firstFrame, int64_t lastFrame, int fps);

}  // namespace velmora
