// Output without a device: a thread mixes the show's sound at the rate a device would play it,
// following the steady clock, and discards it, so channels advance exactly as with a device.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace velmora {

// Frames a device at 44,100 Hz has played after `nanoseconds` of running time.
int64_t framesAfter(int64_t nanoseconds);

class ClockOutput {
public:
    using Fill = void (*)(int16_t* out, int frames, void* user);

    ~ClockOutput();
    void open(Fill fill, void* user);
    // Starts or pauses the clock; while paused no frames are mixed and no time is counted.
    void setPaused(bool paused);
    void close();

private:
    void run();

    Fill fill_ = nullptr;
    void* user_ = nullptr;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> paused_{true};
};

}  // namespace velmora
