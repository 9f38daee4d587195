// Frame timer: measures how long frames take on a tick counter (the high-resolution counter
// in a live show, a frame counter when frames are captured with a fixed step).
#pragma once

#include <cstdint>
#include <memory>

namespace velmora {

// A monotonic tick counter.
class CounterSource {
public:
    virtual ~CounterSource() = default;
    virtual uint64_t frequency() const = 0;  // ticks per second; 0 when there is no counter
    virtual uint64_t now() = 0;
};

// The platform's high-resolution counter (SDL_GetPerformanceCounter).
class HighResolutionCounter : public CounterSource {
public:
    uint64_t frequency() const override;
    uint64_t now() override;
};

// A counter that moves only when told to: one tick per captured frame, or set by tests.
class ManualCounter : public CounterSource {
public:
    explicit ManualCounter(uint64_t ticksPerSecond) : ticksPerSecond_(ticksPerSecond) {}
    uint64_t frequency() const override { return ticksPerSecond_; }
    uint64_t now() override { return value; }
    void advance(uint64_t ticks) { value += ticks; }

    uint64_t value = 0;

private:
    uint64_t ticksPerSecond_;
};

class FrameTimer {
public:
    // On the high-resolution counter. Stops the program with "No QPT" when there is none.
    FrameTimer();
    // On `source`; `resetStep` is the step in hundredths of a second reported after reset()
    // until the first measurement. Stops the program with "No QPT" when the frequency is 0.
    explicit FrameTimer(std::unique_ptr<CounterSource> source, float resetStep = 0.5f);

    // start = lastCounter = now; frameCount 0; interval 50; frameStep = reset step; fps 0.
    void reset();
    void setInterval(uint32_t frames) { interval = frames; }
    // Once per shown frame: every `interval` frames, measures the mean frame duration.
    void tick();
    // The measured duration of one frame, in hundredths of a second.
    float step() const { return frameStep; }

    uint64_t start = 0;
    uint64_t frequency = 0;
    uint32_t interval = 50;
    uint32_t frameCount = 0;
    float frameStep = 0.5f;
    float framesPerSecond = 0;
    uint64_t lastCounter = 0;
    uint64_t nowCounter = 0;

private:
    std::unique_ptr<CounterSource> source_;
    float resetStep_;
};

}  // namespace velmora
