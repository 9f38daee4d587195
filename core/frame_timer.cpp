// Frame timer on a tick counter.
#include "core/frame_timer.h"

#include <cstdio>
#include <cstdlib>

#include "core/sdl_platform.h"

namespace velmora {

uint64_t HighResolutionCounter::frequency() const { return platform::performanceFrequency(); }

uint64_t HighResolutionCounter::now() { return platform::performanceCounter(); }

FrameTimer::FrameTimer() : FrameTimer(std::make_unique<HighResolutionCounter>()) {}

FrameTimer::FrameTimer(std::unique_ptr<CounterSource> source, float resetStep)
    : source_(std::move(source)), resetStep_(resetStep)
{
    frequency = source_->frequency();
    if (frequency == 0) {
        std::fputs("No QPT\n", stderr);
        std::exit(EXIT_FAILURE);
    }
    reset();
}

void FrameTimer::reset()
{
    start = source_->now();
    lastCounter = start;
    frameCount = 0;
    interval = 50;
    frameStep = resetStep_;
    framesPerSecond = 0;
}

void FrameTimer::tick()
{
    ++frameCount;
    if (frameCount < interval)
        return;
    nowCounter = source_->now();
    const double seconds = static_cast<double>(nowCounter - lastCounter) / static_cast<double>(frequency);
    if (seconds > 0)
        framesPerSecond = static_cast<float>(frameCount / seconds);
    frameStep = static_cast<float>(seconds / (interval ? interval : 1) * 100.0);
    lastCounter = nowCounter;
    frameCount = 0;
}

}  // namespace velmora
