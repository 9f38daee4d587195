// The musicplay effect driven through script elements: which files load as what, volume, play
// and stop, the hooks across reloads (also in a captured show), and the oscilloscope on an
// offscreen context.
#include "audio/musicplay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "audio/dsp_rings.h"
#include "audio/offline_output.h"
#include "audio/sound_library.h"
#include "core/run_options.h"
#include "core/script_driver.h"
#include "effects/effect_table.h"
#include "tests/audio/sound_files.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

std::vector<int16_t> constantWav(int frames, int16_t value) { return std::vector<int16_t>(size_t(frames) * 2, value); }

// The sound library with offline output, a data folder holding the test's sound files, and an
// offscreen context for the oscilloscope.
class MusicPlayTest : public testing::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        useOfflineOutput(true);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
        BASS_Start();
        resetDspRings();
        data.write("data/music/tune.it", testing::modFile());
        data.write("data/music/loud.wav", testing::wavFile(constantWav(44100, 8000)));
        data.write("data/music/TUNE.MP3", testing::wavFile(constantWav(100, 8000)));
        data.write("data/music/a.b.wav", testing::wavFile(constantWav(100, 8000)));
        data.write("data/music/noise.xm", testing::noiseBytes(3000, 9));
        data.write("data/tone.ogg", testing::oggTone(0.3));
    }
    void TearDown() override
    {
        BASS_Free();
        useOfflineOutput(false);
        GLTest::TearDown();
    }

    // Applies an element with `attributes` and optional children named in `children`.
    void send(MusicPlay& effect, testing::AttributeList attributes, std::initializer_list<const char*> children = {})
    {
        auto node = element("music", attributes);
        for (const char* child : children)
            addChild(*node, child);
        effect.handleElement(node.get());
    }

    // The next `frames` mixed frames, left and right interleaved.
    static std::vector<int16_t> mix(int frames)
    {
        std::vector<int16_t> out(size_t(frames) * 2);
        if (frames > 0)
            mixOffline(out.data(), frames);
        return out;
    }
    // The first left sample of the next `frames` mixed frames.
    static int16_t mixedLeft(int frames = 64) { return mix(frames)[0]; }
    // Whether the next tenth of a second holds any sound.
    static bool audible()
    {
        const std::vector<int16_t> out = mix(4410);
        return std::any_of(out.begin(), out.end(), [](int16_t v) { return v != 0; });
    }

    testing::TempDataDir data;
};

TEST_F(MusicPlayTest, LoadMakesAModuleAStreamASampleOrNothing)
{
    MusicPlay effect;
    auto loadAndPlay = [&](const char* filename, const char* sample) {
        send(effect, {{"filename", filename}, {"sample", sample}, {"echo", "1"}}, {"init", "play"});
        return audible();
    };
    EXPECT_TRUE(loadAndPlay("tone.ogg", "0"));
    EXPECT_FALSE(effect.hasModule());
    EXPECT_TRUE(loadAndPlay("loud.wav", "1"));
    EXPECT_FALSE(loadAndPlay("missing.wav", "1"));
    // Extensions are case-sensitive and start at the first dot; a load frees the sound before it.
    for (const char* filename : {"TUNE.MP3", "a.b.wav", "noextension", "tune.IT", "missing.it", "noise.xm"}) {
        EXPECT_TRUE(loadAndPlay("tune.it", "0"));
        EXPECT_TRUE(effect.hasModule());
        EXPECT_FALSE(loadAndPlay(filename, "0")) << filename;
        EXPECT_FALSE(effect.hasModule()) << filename;
    }
}

TEST_F(MusicPlayTest, SampleModeLoadsASampleWithoutHooks)
{
    MusicPlay effect;
    send(effect, {{"filename", "loud.wav"}, {"sample", "1"}, {"flange", "1"}, {"rotate", "1"}});
    effect.load();
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 8000) << "rotate would start the left at 0";
    mix(400);
    EXPECT_EQ(mixedLeft(), 8000) << "the flanger would have doubled it by now";
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 16000) << "a second play starts a second playback";
    send(effect, {}, {"stop"});
    EXPECT_FALSE(audible());
}

TEST_F(MusicPlayTest, VolumeActsOnlyOnTheLoadedSoundAndStopPauses)
{
    MusicPlay effect;
    send(effect, {{"filename", "loud.wav"}, {"volume", "0.25"}});
    effect.load();
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 8000) << "volume before the load has no effect";

    send(effect, {{"volume", "0.5"}});
    EXPECT_EQ(mixedLeft(), 4000);
    send(effect, {{"volume", "0.555"}});
    EXPECT_EQ(mixedLeft(), 4400) << "0.555 sends the volume 55";
    send(effect, {{"volume", "1.5"}});
    EXPECT_EQ(mixedLeft(), 8000);
    send(effect, {{"volume", "-0.2"}});
    EXPECT_EQ(mixedLeft(), 0);

    send(effect, {}, {"init"});  // a reload starts at full volume again, paused
    EXPECT_EQ(mixedLeft(), 0);
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 8000);
    send(effect, {}, {"stop"});
    EXPECT_FALSE(audible());
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 8000);
}

// tune.it: one pattern of 64 rows of 0.12 s.
TEST_F(MusicPlayTest, TellsItsModulesPositionTimesAndThePositionPlaying)
{
    MusicPlay effect;
    send(effect, {{"filename", "tune.it"}});
    EXPECT_FALSE(effect.hasModule()) << "before the load";
    effect.load();
    ASSERT_TRUE(effect.hasModule());
    EXPECT_NEAR(effect.secondsAt({0, 32}).value_or(-1), 3.84, 1e-6);
    EXPECT_FALSE(effect.secondsAt({1, 0}));
    EXPECT_FALSE(effect.playingPosition()) << "not playing yet";

    send(effect, {}, {"play"});
    mix(44100);
    const auto playing = effect.playingPosition();
    ASSERT_TRUE(playing);
    EXPECT_EQ(playing->order, 0);
    EXPECT_EQ(playing->row, 8);  // 0.96 to 1.08 s
    send(effect, {}, {"stop"});
    EXPECT_FALSE(effect.playingPosition());

    send(effect, {{"filename", "loud.wav"}});
    effect.load();
    EXPECT_FALSE(effect.hasModule()) << "a stream has no positions";
    EXPECT_FALSE(effect.secondsAt({0, 0}));
}

// Each hook heard on a constant 8000, its flag set before the load: rotate starts the left at
// 0; the flanger adds the input of up to 350 frames before (16000 once its ring is full); the
// echo adds half the right channel of 1200 frames before (12000).
TEST_F(MusicPlayTest, TheLoadAttachesTheHooksWhoseFlagsAreOn)
{
    struct Case {
        const char* flag;
        int skip;
        int left;
    };
    for (const Case& c :
         {Case{"none", 400, 8000}, Case{"rotate", 0, 0}, Case{"flange", 400, 16000}, Case{"echo", 1300, 12000}}) {
        resetDspRings();
        MusicPlay effect;
        send(effect, {{"filename", "loud.wav"}, {c.flag, "1"}});
        effect.load();
        send(effect, {}, {"play"});
        mix(c.skip);
        EXPECT_NEAR(mixedLeft(1), c.left, 1) << c.flag;
    }
}

TEST_F(MusicPlayTest, HooksSwitchOffAndLetGoOfFreedSounds)
{
    MusicPlay effect;
    send(effect, {{"filename", "loud.wav"}, {"rotate", "1"}});
    effect.load();
    send(effect, {{"rotate", "0"}, {"flange", "1"}, {"flangespeed", "0.25"}}, {"play"});
    EXPECT_EQ(mix(100)[0], 8000) << "rotate switched off";
    EXPECT_FLOAT_EQ(dspRings().flangeSweep, 175 + 100 * 0.25f);

    // A reload that loads nothing frees the sound the flanger ran on: switching it off must not
    // reach for that sound. Rotate, switched on with nothing loaded, attaches at the next load.
    send(effect, {{"filename", "noextension"}}, {"init"});
    send(effect, {{"flange", "0"}, {"rotate", "1"}});
    send(effect, {{"filename", "loud.wav"}}, {"init", "play"});
    const std::vector<int16_t> out = mix(2);
    EXPECT_EQ(out[0], 0) << "rotating the loaded channel";
    EXPECT_EQ(out[1], 8000) << "no flanger";

    effect.unload();
    send(effect, {{"echo", "1"}, {"rotate", "0"}}, {"play"});  // nothing left to act on
    EXPECT_FALSE(audible());
}

TEST_F(MusicPlayTest, ScopeBarsRiseWithTheNewestSoundAndLieFlatWithout)
{
    MusicPlay effect;
    auto draw = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        effect.render();
    };
    draw();  // nothing loaded
    EXPECT_EQ(pixel(320, 250)[0], 0);

    send(effect, {{"filename", "loud.wav"}}, {"init", "play"});
    mix(2000);
    draw();
    // 8000 / 3 / 32768, scaled by 3, is 0.244 above the centre at depth 2 under the 45-degree
    // projection: about 71 pixels above row 240.
    EXPECT_EQ(pixel(320, 305)[0], 255);
    EXPECT_EQ(pixel(320, 305)[2], 255);
    EXPECT_EQ(pixel(320, 320)[0], 0);
    EXPECT_EQ(pixel(320, 230)[0], 0) << "the bars grow upwards only";
    EXPECT_EQ(pixel(5, 255)[0], 0) << "x from -1 to 1 stays inside the screen's width";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

// A show whose music, a constant 8000 with the echo on, is reloaded by an event: from the reload
// it plays dry, also after echo="1" again; echo="0" then echo="1" brings the echo back, going on
// with its ring (a fresh ring would give 8000 for 1200 more frames). Heard in the capture's sound.
TEST(MusicPlayShow, AReloadPlaysDryUntilTheEchoIsSwitchedOffAndOn)
{
    constexpr int kFps = 20;
    testing::TempDataDir data;
    data.write("data/music/loud.wav", testing::wavFile(constantWav(4 * 44100, 8000)));
    data.write("data/script.txt", R"(<demo width="64" height="48" fullscreen="0">
<create></create>
<add type="clear" name="bg"></add>
<add type="musicplay" name="tune"></add>
<tune filename="loud.wav" echo="1"></tune>
<event time="0"><draworder effect="bg"></draworder><tune><play></play></tune></event>
<event time="1"><tune><init></init><play></play></tune></event>
<event time="1.5"><tune echo="1"></tune></event>
<event time="2"><tune echo="0"></tune><tune echo="1"></tune></event>
<event time="2.5"><exit></exit></event>
<load effect="bg"></load>
<run></run>
</demo>
)");
    const std::filesystem::path folder = data.root() / "capture";
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    options.captureTarget = folder.string();
    options.captureFps = kFps;
    resetDspRings();
    ::testing::internal::CaptureStdout();
    playScript("script.txt", options, effectTable());
    const std::string printed = ::testing::internal::GetCapturedStdout();
    if (!std::filesystem::exists(folder / "audio.wav"))
        GTEST_SKIP() << "no offscreen GL context:\n" << printed;

    const std::vector<int16_t> samples = testing::wavSamples(folder / "audio.wav");
    auto left = [&](size_t frame) { return frame * 2 < samples.size() ? samples[frame * 2] : int16_t(-1); };
    auto at = [](double seconds) { return size_t(seconds * 44100); };
    ASSERT_GE(samples.size(), at(2.45) * 2);
    // The echo has built up to 8000 + 8000 / 2 + 8000 / 4 ... before the reload.
    for (size_t i = at(0.5); i < at(0.95); ++i)
        ASSERT_EQ(left(i), 15999) << "echoed at frame " << i;
    size_t back = at(1.05);
    while (back < at(2.45) && left(back) == 8000)
        ++back;
    // The event at 2 s acts in the frame that starts then or one frame later (the clock adds up
    // hundredths), so the echo comes back at the start of that frame's sound.
    EXPECT_GE(back, at(2)) << "dry from the reload until the echo is switched off and on";
    EXPECT_LE(back, at(2) + 44100 / kFps);
    EXPECT_EQ(back % (44100 / kFps), 0u);
    for (size_t i = back; i < at(2.45); ++i)
        ASSERT_EQ(left(i), 15999) << "echoed again at frame " << i;
}

}  // namespace
}  // namespace velmora
