// The frame timer on a counter the test controls.
#include <gtest/gtest.h>

#include "core/demo_window.h"
#include "core/frame_timer.h"

namespace velmora {
namespace {

struct TimerOnManualCounter {
    TimerOnManualCounter(uint64_t frequency, float resetStep = 0.5f)
    {
        auto source = std::make_unique<ManualCounter>(frequency);
        counter = source.get();
        timer = std::make_unique<FrameTimer>(std::move(source), resetStep);
    }
    ManualCounter* counter;
    std::unique_ptr<FrameTimer> timer;
};

TEST(FrameTimerTest, ResetStartsWithHalfAHundredthAndIntervalFifty)
{
    TimerOnManualCounter t(1000);
    t.counter->value = 12345;
    t.timer->setInterval(7);
    t.timer->frameStep = 3;
    t.timer->reset();
    EXPECT_EQ(t.timer->start, 12345u);
    EXPECT_EQ(t.timer->lastCounter, 12345u);
    EXPECT_EQ(t.timer->interval, 50u);
    EXPECT_EQ(t.timer->frameCount, 0u);
    EXPECT_FLOAT_EQ(t.timer->step(), 0.5f);
    EXPECT_EQ(t.timer->framesPerSecond, 0);
    EXPECT_EQ(t.timer->frequency, 1000u);
}

TEST(FrameTimerTest, OneTickWithIntervalOneMeasuresTheTimeSinceResetInHundredths)
{
    TimerOnManualCounter t(1000000);
    t.counter->value = 5000000;
    t.timer->reset();
    t.timer->setInterval(1);
    t.counter->advance(37000);  // 37 ms
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 3.7f);
    EXPECT_NEAR(t.timer->framesPerSecond, 1000.0f / 37.0f, 1e-3);
    EXPECT_EQ(t.timer->lastCounter, 5037000u);
    EXPECT_EQ(t.timer->frameCount, 0u);

    // The next frame is measured from the last measurement, not from the reset.
    t.counter->advance(10000);
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 1.0f);
}

TEST(FrameTimerTest, LongerIntervalsReportTheMeanFrameOnlyWhenComplete)
{
    TimerOnManualCounter t(1000);
    t.timer->reset();
    t.timer->setInterval(3);
    t.counter->advance(10);
    t.timer->tick();
    t.counter->advance(20);
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 0.5f);  // not measured yet
    EXPECT_EQ(t.timer->frameCount, 2u);
    t.counter->advance(30);
    t.timer->tick();
    EXPECT_FLOAT_EQ(t.timer->step(), 2.0f);  // 60 ms over 3 frames
    EXPECT_NEAR(t.timer->framesPerSecond, 50.0f, 1e-3);
    EXPECT_EQ(t.timer->frameCount, 0u);
}

TEST(FrameTimerTest, FramesWithoutElapsedTimeGiveAZeroStepAndKeepTheRate)
{
    TimerOnManualCounter t(1000);
    t.timer->reset();
    t.timer->setInterval(1);
    t.counter->advance(20);
    t.timer->tick();
    t.timer->tick();
    EXPECT_EQ(t.timer->step(), 0);
    EXPECT_NEAR(t.timer->framesPerSecond, 50.0f, 1e-3);
}

TEST(FrameTimerTest, TheHighResolutionCounterRunsForward)
{
    FrameTimer timer;
    EXPECT_GT(timer.frequency, 0u);
    const uint64_t first = timer.source().now();
    EXPECT_GE(timer.source().now(), first);
}

TEST(FrameTimerDeathTest, ACounterWithoutFrequencyStopsTheProgram)
{
    EXPECT_EXIT(FrameTimer(std::make_unique<ManualCounter>(0)), ::testing::ExitedWithCode(EXIT_FAILURE), "No QPT");
}

TEST(FrameTimerTest, CaptureRunsEveryFrameAtExactlyOneHundredthOfTheFrameRate)
{
    for (int fps : {60, 25, 30}) {
        RunOptions options;
        options.captureTarget = "unused-capture-folder";
        options.captureFps = fps;
        DemoWindow window(options);
        const float expected = 100.0f / static_cast<float>(fps);
        // From the very first frame after a reset, before any measurement.
        window.frameTimer->reset();
        window.frameTimer->setInterval(1);
        EXPECT_FLOAT_EQ(window.frameTimer->step(), expected) << fps;
        for (int frame = 0; frame < 5; ++frame) {
            window.frame();
            EXPECT_FLOAT_EQ(window.frameTimer->step(), expected) << fps;
        }
        window.frameTimer->reset();
        window.frameTimer->setInterval(3);
        for (int frame = 0; frame < 3; ++frame)
            window.frame();
        EXPECT_FLOAT_EQ(window.frameTimer->step(), expected) << fps;
    }
}

}  // namespace
}  // namespace velmora
