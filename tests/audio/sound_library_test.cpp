// The sound library layer: loading from memory, playing through the offline mixer, volume, pan,
// pause, DSP hooks, played data, bad data, and the device-less clock output.
#include "audio/sound_library.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "audio/clock_output.h"
#include "audio/offline_output.h"
#include "tests/audio/sound_files.h"

namespace velmora {
namespace {

using testing::modFile;
using testing::noiseBytes;
using testing::oggTone;
using testing::rampFrames;
using testing::wavFile;

class OfflineLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        useOfflineOutput(true);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
        ASSERT_TRUE(BASS_Start());
    }
    void TearDown() override {
        BASS_Free();
        useOfflineOutput(false);
    }
    std::vector<int16_t> mix(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2);
        EXPECT_TRUE(mixOffline(out.data(), frames));
        return out;
    }
    int mixPeak(int frames) {
        int peak = 0;
        for (int16_t s : mix(frames)) peak = std::max(peak, std::abs(int(s)));
        return peak;
    }
};

SoundHandle streamOf(const std::vector<uint8_t>& bytes) {
    return BASS_StreamCreateFile(true, bytes.data(), 0, uint32_t(bytes.size()), 0);
}

TEST_F(OfflineLibrary, StreamPlaysItsFramesUnchangedPausesAndEnds) {
    auto bytes = wavFile(rampFrames(3000));
    SoundHandle stream = streamOf(bytes);
    ASSERT_NE(stream, 0u);
    EXPECT_TRUE(BASS_StreamPreBuf(stream));

    EXPECT_EQ(mix(100), std::vector<int16_t>(200, 0)) << "loading must not start playback";
    ASSERT_TRUE(BASS_StreamPlay(stream, false, 0));
    auto out = mix(1000);
    auto ramp = rampFrames(1000);
    EXPECT_EQ(out, ramp);

    std::vector<int16_t> data(500 * 2, 7);
    EXPECT_EQ(BASS_ChannelGetData(stream, data.data(), 2000), 2000);
    EXPECT_EQ(data, std::vector<int16_t>(ramp.begin() + 1000, ramp.end()));

    // Asking for more than was played gives what was played.
    std::vector<int16_t> big(4000 * 2);
    EXPECT_EQ(BASS_ChannelGetData(stream, big.data(), 16000), 4000);

    // Pause and play resume where the stream stood; a flush restarts it.
    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(mix(50), std::vector<int16_t>(100, 0));
    EXPECT_FALSE(BASS_ChannelPause(stream)) << "pausing a paused channel fails";
    BASS_StreamPlay(stream, false, 0);
    EXPECT_EQ(mix(1)[0], 1000);
    BASS_StreamPlay(stream, true, 0);
    EXPECT_EQ(mix(2)[2], 1);
    mix(998);

    // The end of the stream ends the channel: the rest is silence; play starts it over.
    auto tail = mix(3000);
    EXPECT_EQ(tail[1999 * 2], int16_t(2999));
    EXPECT_EQ(tail[2000 * 2], 0);
    EXPECT_FALSE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorEnded);
    EXPECT_TRUE(BASS_StreamPlay(stream, false, 0));
    EXPECT_EQ(mix(2)[2], 1);
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_ChannelGetData(stream, data.data(), 2000), -1);
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorHandle);
}

TEST_F(OfflineLibrary, VolumeAndPanShapeTheMix) {
    std::vector<int16_t> constant(20000 * 2, 10000);
    auto bytes = wavFile(constant);
    SoundHandle stream = streamOf(bytes);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_StreamPlay(stream, false, 0));

    // Volume, pan (-101: unchanged; -1 volume: unchanged), and the mix's left and right.
    for (const auto& [volume, pan, left, right] : {std::array{50, -101, 5000, 5000}, std::array{-1, -100, 5000, 0},
                                                   std::array{100, 50, 5000, 10000}}) {
        ASSERT_TRUE(BASS_ChannelSetAttributes(stream, -1, volume, pan));
        const auto out = mix(10);
        EXPECT_EQ(out[0], left) << volume << " " << pan;
        EXPECT_EQ(out[1], right) << volume << " " << pan;
    }
    EXPECT_FALSE(BASS_ChannelSetAttributes(stream, -1, 101, -101));
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorIllegalParam);
}

TEST_F(OfflineLibrary, MonoAndOtherRatesArriveAsStereoAt44100) {
    std::vector<int16_t> mono(1000);
    for (int i = 0; i < 1000; ++i) mono[i] = int16_t(i * 10);
    auto bytes = wavFile(mono, 1, 22050);
    SoundHandle stream = streamOf(bytes);
    ASSERT_NE(stream, 0u);
    BASS_StreamPlay(stream, false, 0);
    auto out = mix(2200);
    // Twice as many frames, interpolated half way between source frames, same on both sides.
    EXPECT_EQ(out[2], 5);
    EXPECT_EQ(out[200 * 2], 1000);
    EXPECT_EQ(out[200 * 2 + 1], 1000);
    EXPECT_NE(out[1990 * 2], 0);
    EXPECT_EQ(out[2010 * 2], 0) << "1000 frames at 22,050 Hz last 2000 frames at 44,100 Hz";

    // A frequency attribute plays the same stream at another rate.
    BASS_StreamPlay(stream, true, 0);
    ASSERT_TRUE(BASS_ChannelSetAttributes(stream, 44100, -1, -101));
    auto fast = mix(10);
    EXPECT_EQ(fast[2], 10);
}

TEST_F(OfflineLibrary, SamplePlaybacksAddUpAndTheOldestMakesRoom) {
    std::vector<int16_t> constant(5000 * 2, 1000);
    auto bytes = wavFile(constant);
    SoundHandle sample = BASS_SampleLoad(true, bytes.data(), 0, uint32_t(bytes.size()), 2, 0x10000);
    ASSERT_NE(sample, 0u);
    bytes.assign(bytes.size(), 0);  // a sample is decoded at load; its bytes may go

    EXPECT_NE(BASS_SamplePlay(sample), 0u);
    EXPECT_NE(BASS_SamplePlay(sample), 0u);
    EXPECT_EQ(mix(10)[0], 2000);
    EXPECT_NE(BASS_SamplePlay(sample), 0u);  // replaces one of the two
    EXPECT_EQ(mix(10)[0], 2000);

    std::vector<int16_t> data(20);
    EXPECT_EQ(BASS_ChannelGetData(sample, data.data(), 40), 40);
    EXPECT_EQ(data[0], 1000);

    ASSERT_TRUE(BASS_ChannelSetAttributes(sample, -1, 10, -101));
    EXPECT_EQ(mix(1)[0], 200);
    ASSERT_TRUE(BASS_ChannelPause(sample)) << "a sample handle pauses all its playbacks";
    EXPECT_EQ(mix(1)[0], 0);
    EXPECT_EQ(BASS_ChannelSetDSP(sample, [](uint32_t, uint32_t, void*, uint32_t, void*) {}, nullptr), 0u);
    EXPECT_TRUE(BASS_SampleFree(sample));
    EXPECT_EQ(BASS_SamplePlay(sample), 0u);
}

TEST_F(OfflineLibrary, ModuleAndOggDecodeToSound) {
    auto module = modFile();
    SoundHandle music = BASS_MusicLoad(true, module.data(), 0, uint32_t(module.size()), 0x2000);
    ASSERT_NE(music, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(BASS_MusicPreBuf(music));
    ASSERT_TRUE(BASS_MusicPlay(music));
    EXPECT_GT(mixPeak(44100), 1000);

    auto ogg = oggTone(0.5);
    ASSERT_FALSE(ogg.empty());
    SoundHandle stream = streamOf(ogg);
    ASSERT_NE(stream, 0u);
    BASS_MusicFree(music);
    BASS_StreamPlay(stream, false, 0);
    const int peak = mixPeak(22050);
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 16000);

    auto mp3 = oggTone(0.5, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    if (mp3.empty()) GTEST_SKIP() << "this libsndfile writes no MP3";
    SoundHandle mpeg = streamOf(mp3);
    ASSERT_NE(mpeg, 0u);
    BASS_StreamFree(stream);
    BASS_StreamPlay(mpeg, false, 0);
    EXPECT_GT(mixPeak(22050), 8000);
}

TEST_F(OfflineLibrary, BadSoundDataFailsCleanly) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        auto noise = noiseBytes(4096, seed);
        EXPECT_EQ(BASS_MusicLoad(true, noise.data(), 0, uint32_t(noise.size()), 0), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorFormat);
        EXPECT_EQ(BASS_StreamCreateFile(true, noise.data(), 0, uint32_t(noise.size()), 0), 0u);
        EXPECT_EQ(BASS_SampleLoad(true, noise.data(), 0, uint32_t(noise.size()), 16, 0), 0u);
    }
    // Damaged files (cut short, flipped bytes): fuzz/sound_loader_fuzz and tests/badinput.
    auto wav = wavFile(rampFrames(10));
    // Handle 0, as a source without a file passes it.
    EXPECT_FALSE(BASS_MusicPlay(0));
    EXPECT_FALSE(BASS_ChannelSetAttributes(0, -1, 50, -101));
    EXPECT_EQ(BASS_ChannelGetData(0, wav.data(), 4), -1);
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorHandle);
    EXPECT_EQ(BASS_StreamCreateFile(true, wav.data(), 0, 0, 0), 0u);
}

struct Recorded {
    std::vector<uint32_t> lengths;
    uint32_t channel = 0;
};

TEST_F(OfflineLibrary, DspHooksSeeEachBufferBeforeVolumeAndCanBeRemoved) {
    std::vector<int16_t> constant(10000 * 2, 1000);
    auto bytes = wavFile(constant);
    SoundHandle stream = streamOf(bytes);
    Recorded seen;
    auto negate = [](uint32_t, uint32_t channel, void* buffer, uint32_t length, void* user) {
        auto* r = static_cast<Recorded*>(user);
        r->lengths.push_back(length);
        r->channel = channel;
        auto* s = static_cast<int16_t*>(buffer);
        for (uint32_t i = 0; i < length / 2; ++i) s[i] = int16_t(-s[i]);
    };
    uint32_t dsp = BASS_ChannelSetDSP(stream, negate, &seen);
    ASSERT_NE(dsp, 0u);
    BASS_ChannelSetAttributes(stream, -1, 50, -101);
    BASS_StreamPlay(stream, false, 0);
    EXPECT_EQ(mix(100)[0], -500);
    ASSERT_EQ(seen.lengths.size(), 1u);
    EXPECT_EQ(seen.lengths[0], 400u);
    EXPECT_EQ(seen.channel, stream);
    int16_t played[2];
    BASS_ChannelGetData(stream, played, 4);
    EXPECT_EQ(played[0], -1000) << "played data is after the DSP, before the volume";

    ASSERT_TRUE(BASS_ChannelRemoveDSP(stream, dsp));
    EXPECT_FALSE(BASS_ChannelRemoveDSP(stream, dsp));
    EXPECT_EQ(mix(1)[0], 500);
    EXPECT_EQ(seen.lengths.size(), 1u);

    // A hook's handle is never handed out again, also after the library starts over: a stale
    // handle (a music effect keeps one across a reload) never removes another hook.
    BASS_Free();
    ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
    BASS_Start();
    const SoundHandle again = streamOf(bytes);
    const uint32_t next = BASS_ChannelSetDSP(again, negate, &seen);
    ASSERT_NE(next, 0u);
    EXPECT_NE(next, dsp);
    EXPECT_FALSE(BASS_ChannelRemoveDSP(again, dsp));
    BASS_StreamPlay(again, false, 0);
    EXPECT_EQ(mix(1)[0], -1000) << "the new hook still runs";
}

TEST(ClockOutput, FramesFollowRunningTimeAt44100) {
    EXPECT_EQ(framesAfter(-5), 0);
    EXPECT_EQ(framesAfter(500000000), 22050);
    EXPECT_EQ(framesAfter(22675), 0);  // just under one frame
    EXPECT_EQ(framesAfter(22676), 1);
    EXPECT_EQ(framesAfter(int64_t(3600) * 1000000000 * 24), int64_t(44100) * 3600 * 24);
}

// Also: calls before init fail, and init twice fails.
TEST(ClockOutput, WithoutADevicePlaybackGoesOnAndStopsWithTheOutput) {
    auto ramp = wavFile(rampFrames(100));
    EXPECT_EQ(streamOf(ramp), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorInit);
    EXPECT_FALSE(BASS_Start());
    int16_t out[4] = {1, 1, 1, 1};
    EXPECT_FALSE(mixOffline(out, 2));
    EXPECT_EQ(out[3], 0);

    EXPECT_FALSE(BASS_Init(-2, 22050, 0x20, nullptr));  // the mixer runs at 44,100 Hz only
    ASSERT_TRUE(BASS_Init(-2, 44100, 0x20, nullptr));
    EXPECT_FALSE(BASS_Init(-2, 44100, 0x20, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), kSoundErrorAlready);
    ASSERT_TRUE(BASS_Start());
    std::vector<int16_t> constant(44100 * 2 * 20, 3000);
    auto bytes = wavFile(constant);
    SoundHandle stream = streamOf(bytes);
    ASSERT_TRUE(BASS_StreamPlay(stream, false, 0));
    // Wait (bounded) for the clock thread to play something; the time taken is not asserted.
    int16_t frame[2] = {};
    int got = 0;
    for (int i = 0; i < 1000 && got <= 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        got = BASS_ChannelGetData(stream, frame, 4);
    }
    EXPECT_EQ(got, 4);
    EXPECT_EQ(frame[0], 3000);

    ASSERT_TRUE(BASS_Stop());
    std::vector<int16_t> before(8192 * 2), after(8192 * 2);
    BASS_ChannelGetData(stream, before.data(), uint32_t(before.size() * 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    BASS_ChannelGetData(stream, after.data(), uint32_t(after.size() * 2));
    EXPECT_EQ(before, after) << "a stopped output plays nothing";
    EXPECT_TRUE(BASS_Free());
}

}  // namespace
}  // namespace velmora
