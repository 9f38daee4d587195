// The three sound effects run as DSP hooks on a playing channel: a flanger, an echo and a
// rotating stereo pan. Attached and detached from the main thread; the callbacks run on the
// mixing thread and touch only their own object and the shared rings (dsp_rings.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "audio/sound_library.h"

namespace velmora {

class SoundSource;

// Attachment common to the three effects.
class SoundDsp {
public:
    explicit SoundDsp(DspProcedure procedure) : procedure_(procedure) {}
    virtual ~SoundDsp() { clear(); }
    SoundDsp(const SoundDsp&) = delete;
    SoundDsp& operator=(const SoundDsp&) = delete;

    // The source to act on; not owned, must outlive the attachment (or be cleared first).
    void setSource(SoundSource* source) { this->source = source; }
    // Attaches the hook to the source's channel unless already enabled (`dsp` set, also when
    // dropSource took it off its channel). Without a source, or with a source that has no
    // handle, nothing is attached.
    void enable();
    // Detaches the hook if attached.
    void disable();
    // Detaches (when there is a source) and forgets the source.
    void clear();
    // The source is about to be freed: the hook comes off its channel and the source is
    // forgotten, but `dsp` keeps the handle, so the hook still counts as enabled. It runs on no
    // channel until a disable and a new enable attach it to the source of that time.
    void dropSource();

    SoundSource* source = nullptr;  // not owned; null: none
    // The library DSP handle recorded by enable; 0: not enabled. After dropSource it names a
    // hook that no longer exists: the library never hands out the same DSP handle twice, so a
    // later disable's removal of it from another channel fails harmlessly.
    uint32_t dsp = 0;

private:
    DspProcedure procedure_;
};

class FlangeDsp : public SoundDsp {
public:
    FlangeDsp() : SoundDsp(&FlangeDsp::callback) {}
    // The sweep step per frame, kept finite and within one ring length either way before the
    // mixing thread sees it (the sweep becomes a ring index there); NaN gives 0.
    void setSpeed(float value);
    // Processes `length` / 4 frames of `buffer` in place; `user` is the FlangeDsp.
    static void callback(uint32_t dsp, uint32_t channel, void* buffer, uint32_t length, void* user);

    uint32_t position = 0;            // flange ring index, 0..349; mixing thread only
    std::atomic<float> speed{0.0005f};  // sweep step per frame; the callback turns its sign
};

class EchoDsp : public SoundDsp {
public:
    EchoDsp() : SoundDsp(&EchoDsp::callback) {}
    static void callback(uint32_t dsp, uint32_t channel, void* buffer, uint32_t length, void* user);

    uint32_t position = 0;  // echo ring index, 0..1199; mixing thread only
};

class RotateDsp : public SoundDsp {
public:
    RotateDsp() : SoundDsp(&RotateDsp::callback) {}
    static void callback(uint32_t dsp, uint32_t channel, void* buffer, uint32_t length, void* user);

    float angle = 0.0f;  // radians, 0..pi; mixing thread only
};

}  // namespace velmora
