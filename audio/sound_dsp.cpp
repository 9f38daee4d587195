// Flanger, echo and rotate DSP callbacks and their attachment.
#include "audio/sound_dsp.h"

#include <algorithm>
#include <cmath>

#include "audio/dsp_rings.h"
#include "audio/sound_source.h"

namespace velmora {
namespace {

int16_t clampSample(int value) { return static_cast<int16_t>(std::clamp(value, -32768, 32767)); }

}  // namespace

void SoundDsp::enable() {
    if (dsp == 0 && source) dsp = BASS_ChannelSetDSP(source->handle, procedure_, this);
}

void SoundDsp::disable() {
    if (dsp != 0 && source) BASS_ChannelRemoveDSP(source->handle, dsp);
    dsp = 0;
}

void SoundDsp::clear() {
    if (source && dsp) BASS_ChannelRemoveDSP(source->handle, dsp);
    source = nullptr;
    dsp = 0;
}

void SoundDsp::dropSource() {
    if (source && dsp) BASS_ChannelRemoveDSP(source->handle, dsp);
    source = nullptr;
}

void FlangeDsp::setSpeed(float value) {
    constexpr float kLimit = float(kFlangeFrames);
    const float kept = std::isnan(value) ? 0.0f : std::clamp(value, -kLimit, kLimit);
    speed.store(kept, std::memory_order_relaxed);
}

void FlangeDsp::callback(uint32_t, uint32_t, void* buffer, uint32_t length, void* user) {
    auto* self = static_cast<FlangeDsp*>(user);
    DspRings& rings = dspRings();
    auto* frames = static_cast<int16_t*>(buffer);
    uint32_t position = self->position;
    float speed = self->speed.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < length / 4; ++i) {
        float sweep = rings.flangeSweep;
        int k = static_cast<int>(sweep);
        int p1 = static_cast<int>((k + position) % kFlangeFrames);
        int p2 = (p1 + 1) % kFlangeFrames;
        float f = std::fmod(sweep, 1.0f);
        for (int c = 0; c < 2; ++c) {
            int16_t input = frames[i * 2 + c];
            int delayed = static_cast<int>(rings.flange[p1][c] * (1.0f - f) + rings.flange[p2][c] * f);
            rings.flange[position][c] = input;
            frames[i * 2 + c] = clampSample(delayed + input);
        }
        position = (position + 1) % kFlangeFrames;
        rings.flangeSweep = sweep + speed;
        if (rings.flangeSweep < 0.0f || rings.flangeSweep > float(kFlangeFrames)) speed = -speed;
    }
    self->position = position;
    self->speed.store(speed, std::memory_order_relaxed);
}

void EchoDsp::callback(uint32_t, uint32_t, void* buffer, uint32_t length, void* user) {
    auto* self = static_cast<EchoDsp*>(user);
    auto& ring = dspRings().echo;
    auto* frames = static_cast<int16_t*>(buffer);
    uint32_t position = self->position % kEchoFrames;
    for (uint32_t i = 0; i < length / 4; ++i) {
        int16_t left = clampSample(frames[i * 2] + ring[position][1] / 2);
        int16_t right = clampSample(frames[i * 2 + 1] + ring[position][0] / 2);
        frames[i * 2] = ring[position][0] = left;
        frames[i * 2 + 1] = ring[position][1] = right;
        position = (position + 1) % kEchoFrames;
    }
    self->position = position;
}

void RotateDsp::callback(uint32_t, uint32_t, void* buffer, uint32_t length, void* user) {
    constexpr float kPi = 3.1415927f;
    auto* self = static_cast<RotateDsp*>(user);
    auto* frames = static_cast<int16_t*>(buffer);
    float angle = self->angle;
    for (uint32_t i = 0; i < length / 4; ++i) {
        frames[i * 2] = static_cast<int16_t>(std::fabs(std::sin(angle)) * frames[i * 2]);
        frames[i * 2 + 1] = static_cast<int16_t>(std::fabs(std::cos(angle)) * frames[i * 2 + 1]);
        angle = std::fmod(angle + 0.00003f, kPi);
    }
    self->angle = angle;
}

}  // namespace velmora
