// The flanger, echo and rotate DSP callbacks on known buffers, and their attachment to a
// playing channel.
#include "audio/sound_dsp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "audio/dsp_rings.h"
#include "audio/sound_source.h"
#include "tests/audio/sound_files.h"

namespace velmora {
namespace {

std::vector<int16_t> constantFrames(int frames, int16_t left, int16_t right) {
    std::vector<int16_t> b;
    for (int i = 0; i < frames; ++i) b.insert(b.end(), {left, right});
    return b;
}

class DspTest : public ::testing::Test {
protected:
    void SetUp() override { dspRings() = DspRings{}; }  // the state at program start
};

TEST_F(DspTest, EchoCrossesSidesAtHalfLevelAfter1200Frames) {
    EchoDsp echo;
    auto buffer = constantFrames(1200, 1000, 0);
    EchoDsp::callback(0, 0, buffer.data(), uint32_t(buffer.size() * 2), &echo);
    EXPECT_EQ(buffer, constantFrames(1200, 1000, 0));

    // The second pass, split over two calls of odd length to check the position carries over.
    auto first = constantFrames(700, 1000, 0);
    auto second = constantFrames(500, 1000, 0);
    EchoDsp::callback(0, 0, first.data(), uint32_t(first.size() * 2), &echo);
    EchoDsp::callback(0, 0, second.data(), uint32_t(second.size() * 2), &echo);
    EXPECT_EQ(first, constantFrames(700, 1000, 500));
    EXPECT_EQ(second, constantFrames(500, 1000, 500));

    // Third pass, by a second echo: the ring is shared, and the right side's 500 feeds back to
    // the left at half level.
    EchoDsp other;
    other.position = echo.position;
    auto third = constantFrames(1, 1000, 0);
    EchoDsp::callback(0, 0, third.data(), 4, &other);
    EXPECT_EQ(third[0], 1250);
    EXPECT_EQ(third[1], 500);
}

TEST_F(DspTest, EchoClampsAndHalvesTowardsZero) {
    EchoDsp echo;
    auto first = constantFrames(1200, 30000, -30001);
    EchoDsp::callback(0, 0, first.data(), uint32_t(first.size() * 2), &echo);
    auto second = constantFrames(2, 30000, -30000);
    dspRings().echo[1][0] = 32000;
    EchoDsp::callback(0, 0, second.data(), 8, &echo);
    EXPECT_EQ(second[0], 15000);   // 30000 + (-30001 / 2 = -15000)
    EXPECT_EQ(second[1], -15000);  // -30000 + 30000 / 2
    EXPECT_EQ(second[3], -14000);  // -30000 + 32000 / 2
    EXPECT_EQ(dspRings().echo[0][0], 15000);
    dspRings().echo[2][1] = 32000;
    dspRings().echo[3][1] = -32000;
    auto both = constantFrames(2, 32000, 0);
    both[2] = -32000;
    EchoDsp::callback(0, 0, both.data(), 8, &echo);
    EXPECT_EQ(both[0], 32767);
    EXPECT_EQ(both[2], -32768);
}

TEST_F(DspTest, FlangeAddsTheDelayedDryInputAtTheSweep) {
    FlangeDsp flange;
    flange.setSpeed(0.0f);  // hold the sweep at 175
    std::vector<int16_t> impulse(350 * 2 * 2, 0);
    impulse[0] = 1000;
    impulse[1] = -1000;
    FlangeDsp::callback(0, 0, impulse.data(), uint32_t(impulse.size() * 2), &flange);
    // The read point is 175 frames ahead of the write point in the 350-frame ring: the dry
    // impulse written at frame 0 comes back 175 frames later, and again after 350 frames
    // only through the ring (the ring holds dry input, so no further repeats).
    EXPECT_EQ(impulse[0], 1000);
    for (int i = 1; i < 700; ++i) {
        int expected = i == 175 ? 1000 : 0;
        ASSERT_EQ(impulse[i * 2], expected) << "frame " << i;
        ASSERT_EQ(impulse[i * 2 + 1], -expected) << "frame " << i;
    }
    EXPECT_EQ(flange.position, 0u);
    EXPECT_FLOAT_EQ(dspRings().flangeSweep, 175.0f);

    // A fractional sweep splits the delayed sample between two neighbours.
    dspRings() = DspRings{};
    dspRings().flangeSweep = 174.25f;
    FlangeDsp half;
    half.setSpeed(0.0f);
    std::vector<int16_t> one(400 * 2, 0);
    one[0] = 1000;
    FlangeDsp::callback(0, 0, one.data(), uint32_t(one.size() * 2), &half);
    EXPECT_EQ(one[175 * 2], 250);  // the impulse's slot is the second neighbour here
    EXPECT_EQ(one[176 * 2], 750);

    // The sum is clamped.
    dspRings() = DspRings{};
    FlangeDsp loud;
    loud.setSpeed(0.0f);
    auto sound = constantFrames(400, 30000, -30000);
    FlangeDsp::callback(0, 0, sound.data(), uint32_t(sound.size() * 2), &loud);
    EXPECT_EQ(sound[399 * 2], 32767);
    EXPECT_EQ(sound[399 * 2 + 1], -32768);
}

TEST_F(DspTest, FlangeSweepTurnsAt350AfterAbout350000Frames) {
    FlangeDsp flange;
    EXPECT_FLOAT_EQ(flange.speed.load(), 0.0005f);
    std::vector<int16_t> silence(1000 * 2, 0);
    int turnedAt = -1;
    for (int block = 0; block < 400 && turnedAt < 0; ++block) {
        FlangeDsp::callback(0, 0, silence.data(), uint32_t(silence.size() * 2), &flange);
        if (flange.speed.load() < 0) turnedAt = (block + 1) * 1000;
    }
    // 175 more at 0.0005 per frame is 350,000 frames; float rounding moves it a little.
    ASSERT_GT(turnedAt, 0);
    EXPECT_NEAR(turnedAt, 350000, 5000);
    EXPECT_GT(dspRings().flangeSweep, 349.0f);
    EXPECT_FLOAT_EQ(flange.speed.load(), -0.0005f);

    // It comes back down and turns again near 0.
    for (int block = 0; block < 800 && flange.speed.load() < 0; ++block)
        FlangeDsp::callback(0, 0, silence.data(), uint32_t(silence.size() * 2), &flange);
    EXPECT_GT(flange.speed.load(), 0);
    EXPECT_LT(dspRings().flangeSweep, 1.0f);
}

// Whatever a script asks for, the mixing thread sees a finite step of at most one ring length,
// so the sweep stays a usable ring index.
TEST_F(DspTest, FlangeSpeedIsKeptFiniteAndWithinTheRing) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float asked, kept;
    } cases[] = {{std::nanf(""), 0}, {inf, 350}, {-inf, -350}, {1e30f, 350}, {-1e30f, -350}, {349.5f, 349.5f}, {-0.25f, -0.25f}};
    for (const auto& c : cases) {
        dspRings() = DspRings{};
        FlangeDsp flange;
        flange.setSpeed(c.asked);
        EXPECT_EQ(flange.speed.load(), c.kept) << c.asked;
        auto sound = constantFrames(2000, 1000, -1000);
        FlangeDsp::callback(0, 0, sound.data(), uint32_t(sound.size() * 2), &flange);
        const float sweep = dspRings().flangeSweep;
        EXPECT_TRUE(sweep >= -350.0f && sweep <= 700.0f) << c.asked << " left the sweep at " << sweep;
    }
}

TEST_F(DspTest, RotateStartsOnTheRightAndSweepsLeft) {
    RotateDsp rotate;
    auto frame = constantFrames(1, 1000, 1000);
    RotateDsp::callback(0, 0, frame.data(), 4, &rotate);
    EXPECT_EQ(frame[0], 0);
    EXPECT_EQ(frame[1], 1000);
    EXPECT_FLOAT_EQ(rotate.angle, 0.00003f);

    rotate.angle = 3.1415927f / 2;
    auto side = constantFrames(1, -20000, 20000);
    RotateDsp::callback(0, 0, side.data(), 4, &rotate);
    EXPECT_EQ(side, (std::vector<int16_t>{-20000, 0}));

    // The angle wraps at pi.
    rotate.angle = 3.1415925f;
    auto wrap = constantFrames(2, 100, 100);
    RotateDsp::callback(0, 0, wrap.data(), 8, &rotate);
    EXPECT_LT(rotate.angle, 0.0001f);
}

TEST_F(DspTest, HooksComeAndGoWhileTheMixingThreadRuns) {
    // Run under ThreadSanitizer too: the main thread attaches, detaches and changes the speed
    // while the device-less output mixes on its own thread.
    ASSERT_TRUE(BASS_Init(-2, 44100, 0x20, nullptr));
    ASSERT_TRUE(BASS_Start());
    SoundSource source;
    auto bytes = testing::wavFile(constantFrames(44100 * 30, 3000, 3000));
    source.handle = BASS_StreamCreateFile(true, bytes.data(), 0, uint32_t(bytes.size()), 0);
    ASSERT_NE(source.handle, 0u);
    BASS_StreamPlay(source.handle, false, 0);

    FlangeDsp flange;
    EchoDsp echo;
    RotateDsp rotate;
    for (SoundDsp* dsp : {static_cast<SoundDsp*>(&flange), static_cast<SoundDsp*>(&echo),
                          static_cast<SoundDsp*>(&rotate)})
        dsp->setSource(&source);
    for (int i = 0; i < 200; ++i) {
        flange.enable();
        echo.enable();
        rotate.enable();
        echo.enable();
        flange.setSpeed(i % 2 ? 0.001f : -0.001f);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        flange.disable();
        if (i % 3) echo.disable();
        rotate.disable();
    }
    echo.disable();

    // Detached: new frames come through unchanged (a hook left attached by a doubled enable
    // would change every frame for good: flange and echo add, rotate removes).
    int16_t newest[2] = {};
    for (int i = 0; i < 500 && !(newest[0] == 3000 && newest[1] == 3000); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(BASS_ChannelGetData(source.handle, newest, 4), 4);
    }
    EXPECT_EQ(newest[0], 3000);
    EXPECT_EQ(newest[1], 3000);
    BASS_Free();
    source.handle = 0;
}

}  // namespace
}  // namespace velmora
