// The device-less output's pacing thread.
#include "audio/clock_output.h"

#include <algorithm>
#include <chrono>

#include "audio/sound_library.h"

namespace velmora {

int64_t framesAfter(int64_t nanoseconds) {
    if (nanoseconds <= 0) return 0;
    // Split to keep the product in range for any running time.
    int64_t seconds = nanoseconds / 1000000000;
    int64_t rest = nanoseconds % 1000000000;
    return seconds * kOutputRate + rest * kOutputRate / 1000000000;
}

ClockOutput::~ClockOutput() { close(); }

void ClockOutput::open(Fill fill, void* user) {
    close();
    fill_ = fill;
    user_ = user;
    quit_ = false;
    paused_ = true;
    thread_ = std::thread(&ClockOutput::run, this);
}

void ClockOutput::setPaused(bool paused) { paused_ = paused; }

void ClockOutput::close() {
    if (!thread_.joinable()) return;
    quit_ = true;
    thread_.join();
}

void ClockOutput::run() {
    using Clock = std::chrono::steady_clock;
    constexpr int kChunk = 1024;
    std::vector<int16_t> discard(kChunk * 2);
    int64_t runNanoseconds = 0;  // time spent unpaused, up to `last`
    int64_t mixed = 0;
    auto last = Clock::now();
    while (!quit_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        auto now = Clock::now();
        if (!paused_)
            runNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(now - last).count();
        last = now;
        int64_t due = framesAfter(runNanoseconds) - mixed;
        while (due > 0 && !quit_) {
            int n = static_cast<int>(std::min<int64_t>(due, kChunk));
            fill_(discard.data(), n, user_);
            mixed += n;
            due -= n;
        }
    }
}

}  // namespace velmora
