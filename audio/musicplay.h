// The `musicplay` effect: loads one sound file as a tracker module, a stream or a sample, plays
// and pauses it on script commands, runs the flanger, echo and rotate hooks on request, and
// draws an oscilloscope of the newest played sound. Events may be placed at its module's orders
// and rows (ModuleClock).
#pragma once

#include <cstdint>
#include <memory>

#include "audio/module_times.h"
#include "audio/sound_dsp.h"
#include "audio/sound_source.h"
#include "core/effect.h"
#include "core/musical_time.h"

namespace velmora {

class MusicPlay : public Effect, public ModuleClock {
public:
    MusicPlay();
    ~MusicPlay() override;  // detaches the hooks, then unloads

    // Frees any previous sound, then loads `filename`: a sample when `sampleMode` is non-zero,
    // otherwise music or a stream by the extension from the first "." (case-sensitive); hands
    // music and streams to the hooks and enables those whose flags are on. A hook that was
    // already enabled before stays enabled but is not attached to the new sound. Does not start
    // playback.
    void load() override;
    // Frees every source (handle and file). The hooks let go of them first.
    void unload() override;
    void update(float delta) override;
    // The oscilloscope: 999 additive white bars across the screen from the newest 1000 values.
    void render() override;
    // Plays whether drawn or not; drawing adds the oscilloscope.
    bool worksUndrawn() const override { return true; }
    // `filename`, `volume`, `sample`, `flange`, `echo`, `rotate`, `flangespeed`; the children
    // `play`, `stop` and `init`.
    EffectScript script() const override;

    // The loaded music's positions (streams and samples have none).
    bool hasModule() const override;
    std::optional<double> secondsAt(ModulePosition position) override;
    std::optional<ModulePosition> playingPosition() const override;

private:
    void setVolume(float v);
    void switchFlange(bool on);
    void switchEcho(bool on);
    void switchRotate(bool on);
    void setFlangeSpeed(float rate);
    void play();
    void pause();
    void dropSourceFromHooks();
    void freeSources();

    char filename[64] = {};
    float volume = 1.0f;                                 // applied at load; the `volume` attribute is not stored here
    std::unique_ptr<SoundSource> music, stream, sample;  // at most one set after a load
    std::unique_ptr<FlangeDsp> flange;
    std::unique_ptr<EchoDsp> echo;
    std::unique_ptr<RotateDsp> rotate;
    int sampleMode = 0;  // non-zero: the next load makes a sample
    bool flangeOn = false, echoOn = false, rotateOn = false;
    int16_t scope_[1000] = {};  // the oscilloscope's values, left and right interleaved
    std::unique_ptr<ModuleTimes> times_;  // the music's position times, opened on the first question
};

}  // namespace velmora
