// The musicplay effect driven through script elements: which files load as what, volume, play
// and stop, the hooks across reloads, and the oscilloscope on an offscreen context.
#include "audio/musicplay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "audio/offline_output.h"
#include "audio/sound_library.h"
#include "tests/audio/sound_files.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using testing::addChild;
using testing::element;

std::vector<int16_t> constantWav(int frames, int16_t value) {
    return std::vector<int16_t>(size_t(frames) * 2, value);
}

// The sound library with offline output, and a data folder holding the test's sound files.
class MusicPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        useOfflineOutput(true);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
        BASS_Start();
        data.write("data/music/tune.it", testing::modFile());
        data.write("data/music/loud.wav", testing::wavFile(constantWav(44100, 8000)));
        data.write("data/music/TUNE.MP3", testing::wavFile(constantWav(100, 8000)));
        data.write("data/music/a.b.wav", testing::wavFile(constantWav(100, 8000)));
        data.write("data/music/noise.xm", testing::noiseBytes(3000, 9));
        data.write("data/tone.ogg", testing::oggTone(0.3));
    }
    void TearDown() override {
        BASS_Free();
        useOfflineOutput(false);
    }

    // Applies an element with `attributes` and optional children named in `children`.
    void send(MusicPlay& effect, testing::AttributeList attributes,
              std::initializer_list<const char*> children = {}) {
        auto node = element("music", attributes);
        for (const char* child : children) addChild(*node, child);
        effect.handleElement(node.get());
    }

    // The first left sample of the next `frames` mixed frames.
    int16_t mixedLeft(int frames = 64) {
        std::vector<int16_t> out(size_t(frames) * 2);
        mixOffline(out.data(), frames);
        return out[0];
    }

    testing::TempDataDir data;
};

TEST_F(MusicPlayTest, ExtensionFromTheFirstDotChoosesMusicStreamOrNothing) {
    MusicPlay effect;
    send(effect, {{"filename", "tune.it"}});
    effect.load();
    ASSERT_TRUE(effect.music);
    EXPECT_NE(effect.music->handle, 0u);
    EXPECT_FALSE(effect.stream);
    EXPECT_EQ(effect.isStream, 0);

    send(effect, {{"filename", "tone.ogg"}});
    effect.load();
    EXPECT_FALSE(effect.music) << "a load frees the previous sound";
    ASSERT_TRUE(effect.stream);
    EXPECT_NE(effect.stream->handle, 0u);
    EXPECT_EQ(effect.isStream, 1);

    for (const char* name : {"TUNE.MP3", "a.b.wav", "noextension", "tune.IT"}) {
        send(effect, {{"filename", name}});
        effect.load();
        EXPECT_FALSE(effect.music || effect.stream || effect.sample) << name;
    }
}

TEST_F(MusicPlayTest, MissingAndBrokenFilesLeaveNoHandleAndCommandsDoNothing) {
    MusicPlay effect;
    send(effect, {{"filename", "missing.it"}});
    effect.load();
    ASSERT_TRUE(effect.music);
    EXPECT_EQ(effect.music->handle, 0u);
    EXPECT_EQ(effect.music->file->size(), 0u);

    send(effect, {{"filename", "noise.xm"}, {"volume", "0.5"}, {"flange", "1"}}, {"play", "stop"});
    effect.load();
    ASSERT_TRUE(effect.music);
    EXPECT_EQ(effect.music->handle, 0u);
    send(effect, {{"echo", "1"}}, {"play"});
    EXPECT_EQ(effect.echo->dsp, 0u);
    EXPECT_EQ(mixedLeft(), 0);
}

TEST_F(MusicPlayTest, SampleModeLoadsASampleWithoutHooks) {
    MusicPlay effect;
    send(effect, {{"filename", "loud.wav"}, {"sample", "1"}, {"flange", "1"}, {"echo", "1"}});
    effect.load();
    ASSERT_TRUE(effect.sample);
    EXPECT_NE(effect.sample->handle, 0u);
    EXPECT_FALSE(effect.stream);
    EXPECT_EQ(effect.flange->dsp, 0u);
    EXPECT_EQ(effect.echo->source, nullptr);

    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 8000) << "the flanger would have changed the first frames";
    send(effect, {}, {"play"});
    EXPECT_EQ(mixedLeft(), 16000) << "a second play starts a second playback";
}

TEST_F(MusicPlayTest, VolumeActsOnlyOnTheLoadedSound) {
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
}

TEST_F(MusicPlayTest, StopPausesEverySourceAndPlayResumes) {
    MusicPlay effect;
    send(effect, {{"filename", "tune.it"}});
    effect.load();
    send(effect, {}, {"play"});
    std::vector<int16_t> out(4410 * 2);
    mixOffline(out.data(), 4410);
    EXPECT_NE(std::count(out.begin(), out.end(), 0), long(out.size()));

    send(effect, {}, {"stop"});
    mixOffline(out.data(), 4410);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), long(out.size()));

    send(effect, {{"sample", "1"}, {"filename", "loud.wav"}}, {"init", "play", "stop"});
    EXPECT_EQ(mixedLeft(), 0);
}

// tune.it: one pattern of 64 rows of 0.12 s.
TEST_F(MusicPlayTest, TellsItsModulesPositionTimesAndThePositionPlaying) {
    MusicPlay effect;
    send(effect, {{"filename", "tune.it"}});
    EXPECT_FALSE(effect.hasModule()) << "before the load";
    effect.load();
    ASSERT_TRUE(effect.hasModule());
    EXPECT_NEAR(effect.secondsAt({0, 32}).value_or(-1), 3.84, 1e-6);
    EXPECT_FALSE(effect.secondsAt({1, 0}));
    EXPECT_FALSE(effect.playingPosition()) << "not playing yet";

    send(effect, {}, {"play"});
    std::vector<int16_t> second(44100 * 2);
    mixOffline(second.data(), 44100);
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

TEST_F(MusicPlayTest, HooksFollowTheFlagsAndMoveToTheNewChannelOnReload) {
    MusicPlay effect;
    send(effect, {{"filename", "loud.wav"}, {"echo", "1"}});
    EXPECT_EQ(effect.echo->dsp, 0u) << "nothing loaded yet: only the flag is kept";
    effect.load();
    EXPECT_NE(effect.echo->dsp, 0u);
    EXPECT_EQ(effect.echo->source, effect.stream.get());
    EXPECT_EQ(effect.flange->source, effect.stream.get());
    EXPECT_EQ(effect.flange->dsp, 0u);

    send(effect, {{"rotate", "1"}, {"echo", "0"}}, {"play"});
    EXPECT_EQ(effect.echo->dsp, 0u);
    EXPECT_NE(effect.rotate->dsp, 0u);
    EXPECT_EQ(mixedLeft(1), 0) << "rotate starts on the right";

    send(effect, {{"flangespeed", "0.25"}});
    EXPECT_FLOAT_EQ(effect.flange->speed.load(), 0.25f);

    // A reload attaches the enabled hooks to the new channel, and its sound is rotated again.
    send(effect, {}, {"init", "play"});
    EXPECT_NE(effect.rotate->dsp, 0u);
    EXPECT_EQ(effect.rotate->source, effect.stream.get());
    std::vector<int16_t> out(2 * 2);
    mixOffline(out.data(), 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 8000);

    effect.unload();
    EXPECT_EQ(effect.rotate->source, nullptr);
    EXPECT_EQ(effect.rotate->dsp, 0u);
    EXPECT_FALSE(effect.stream);
}

// The oscilloscope on an offscreen context, with the library in offline mode.
class MusicPlayScopeTest : public testing::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (IsSkipped()) return;
        useOfflineOutput(true);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
        BASS_Start();
    }
    void TearDown() override {
        BASS_Free();
        useOfflineOutput(false);
        GLTest::TearDown();
    }
    void drawAfter(MusicPlay& effect, int frames) {
        std::vector<int16_t> out(size_t(frames) * 2);
        mixOffline(out.data(), frames);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        effect.render();
    }
};

TEST_F(MusicPlayScopeTest, BarsRiseWithTheNewestSoundAndLieFlatWithout) {
    testing::TempDataDir data;
    data.write("data/music/quiet.wav", testing::wavFile(constantWav(44100, 3000)));
    MusicPlay effect;

    drawAfter(effect, 100);  // nothing loaded
    EXPECT_EQ(pixel(320, 250)[0], 0);

    auto node = element("music", {{"filename", "quiet.wav"}});
    effect.handleElement(node.get());
    effect.load();
    auto play = element("music");
    addChild(*play, "play");
    effect.handleElement(play.get());
    drawAfter(effect, 2000);
    // 3000 / 3 / 32768, scaled by 3, is 0.092 above the centre at depth 2 under the 45-degree
    // projection: about 26 pixels above row 240.
    EXPECT_EQ(pixel(320, 255)[0], 255);
    EXPECT_EQ(pixel(320, 255)[2], 255);
    EXPECT_EQ(pixel(320, 275)[0], 0);
    EXPECT_EQ(pixel(320, 230)[0], 0) << "the bars grow upwards only";
    EXPECT_EQ(pixel(5, 255)[0], 0) << "x from -1 to 1 stays inside the screen's width";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

}  // namespace
}  // namespace velmora
