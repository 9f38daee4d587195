// Sound capture for frame captures: frame-exact lengths, the WAV file and its continuation.
#include "audio/audio_capture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "audio/offline_output.h"
#include "audio/sound_library.h"
#include "tests/audio/sound_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(AudioCapture, EveryVideoFrameGetsItsShareWithoutDrift) {
    for (int64_t i = 0; i < 100; ++i)
        EXPECT_EQ(AudioCapture::framesBefore(i + 1, 60) - AudioCapture::framesBefore(i, 60), 735);
    EXPECT_EQ(AudioCapture::framesBefore(0, 24), 0);
    EXPECT_EQ(AudioCapture::framesBefore(int64_t(24) * 3600 * 5, 24), int64_t(44100) * 3600 * 5);
    // 23 frames a second share 44,100 unevenly and still add up to one second.
    for (int64_t i = 0; i < 23; ++i)
        EXPECT_NEAR(AudioCapture::framesBefore(i + 1, 23) - AudioCapture::framesBefore(i, 23), 1917, 1);
    EXPECT_EQ(AudioCapture::framesBefore(23, 23), 44100);
}

class CaptureFiles : public ::testing::Test {
protected:
    void TearDown() override {
        BASS_Free();
        useOfflineOutput(false);
    }
    // Reads a WAV file back through libsndfile: its frames, or empty when it is not valid.
    static std::vector<int16_t> readWav(const fs::path& path) {
        SF_INFO info = {};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        if (!f) return {};
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
        std::vector<int16_t> frames(size_t(info.frames) * 2);
        sf_readf_short(f, frames.data(), info.frames);
        sf_close(f);
        return frames;
    }
    testing::TempDataDir temp;
    const fs::path folder = temp.root();
};

TEST_F(CaptureFiles, WavHoldsTheMixFrameByFrameAndALaterPartContinuesIt) {
    AudioCapture capture(60);  // switches the library to offline output
    ASSERT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
    BASS_Start();
    auto bytes = testing::wavFile(testing::rampFrames(5000));
    SoundHandle stream = BASS_StreamCreateFile(true, bytes.data(), 0, uint32_t(bytes.size()), 0);
    BASS_StreamPlay(stream, false, 0);

    const fs::path wav = folder / "audio.wav";
    ASSERT_TRUE(capture.open(wav.string(), false));
    for (unsigned i = 0; i < 3; ++i) ASSERT_TRUE(capture.captureFrame(i));
    capture.close();
    auto frames = readWav(wav);
    ASSERT_EQ(frames.size(), 3u * 735 * 2);
    EXPECT_EQ(frames, testing::rampFrames(3 * 735));

    AudioCapture later(60);
    ASSERT_TRUE(later.open(wav.string(), true));
    ASSERT_TRUE(later.captureFrame(3));
    later.close();
    frames = readWav(wav);
    ASSERT_EQ(frames.size(), 4u * 735 * 2);
    EXPECT_EQ(frames, testing::rampFrames(4 * 735));

    AudioCapture fresh(60);
    ASSERT_TRUE(fresh.open(wav.string(), false));
    fresh.close();
    EXPECT_EQ(fs::file_size(wav), 44u) << "a new capture starts the file over";
    EXPECT_FALSE(fresh.open((folder / "missing" / "audio.wav").string(), false));
}

}  // namespace
}  // namespace velmora
