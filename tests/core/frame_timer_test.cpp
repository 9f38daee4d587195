// The frame timer on a counter the test controls, and the fixed step of a capture.
#include <gtest/gtest.h>

#include "core/demo_window.h"
#include "core/frame_timer.h"

namespace velmora {
namespace {

struct ManualTimer {
    explicit ManualTimer(uint64_t frequency)
    {
        auto source = std::make_unique<ManualCounter>(frequency);
        counter = source.get();
        timer = std::make_unique<FrameTimer>(std::move(source));
    }
    ManualCounter* counter;  // owned by timer
    std::unique_ptr<FrameTimer> timer;
};

TEST(FrameTimerTest, StepIsTheMeanFrameOfEachCompleteIntervalInHundredths)
{
    ManualTimer t(1000000);
    t.counter->value = 5000000;
    t.timer->frameStep = 3;
    t.timer->reset();
    EXPECT_EQ(t.timer->interval, 50u);
    EXPECT_FLOAT_EQ(t.timer->step(), 0.5f);
    t.timer->setInterval(1);
    t.counter->advance(37000);  // 37 ms
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 3.7f);
    EXPECT_NEAR(t.timer->framesPerSecond, 1000.0f / 37.0f, 1e-3);

    // The next frame counts from the last measurement, not from the reset.
    t.counter->advance(10000);
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 1.0f);

    // Longer intervals report the mean frame only when complete.
    t.timer->setInterval(3);
    for (uint64_t us : {10000, 20000}) {
        t.counter->advance(us);
        t.timer->tick();
    }
    EXPECT_FLOAT_EQ(t.timer->step(), 1.0f);
    t.counter->advance(30000);
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 2.0f);  // 60 ms over 3 frames
    EXPECT_NEAR(t.timer->framesPerSecond, 50.0f, 1e-3);
    EXPECT_EQ(t.timer->frameCount, 0u);
}

TEST(FrameTimerDeathTest, ACounterWithoutFrequencyStopsTheProgram)
{
    EXPECT_EXIT(FrameTimer(std::make_unique<ManualCounter>(0)), ::testing::ExitedWithCode(EXIT_FAILURE), "No QPT");
}

TEST(FrameTimerTest, CaptureStepsEveryFrameByExactlyOneFrameOfItsRate)
{
    for (int fps : {60, 25}) {
        RunOptions options;
        options.captureTarget = "unused-capture-folder";
        options.captureFps = fps;
        DemoWindow window(options);
        const float expected = 100.0f / static_cast<float>(fps);
        for (uint32_t interval : {1u, 3u}) {
            // From the first frame after a reset on, before any measurement.
            window.frameTimer->reset();
            window.frameTimer->setInterval(interval);
            EXPECT_FLOAT_EQ(window.frameTimer->step(), expected);
            for (int frame = 0; frame < 6; ++frame) {
                window.frame();
                EXPECT_FLOAT_EQ(window.frameTimer->step(), expected) << fps << " " << interval;
            }
        }
    }
}

}  // namespace
}  // namespace velmora
