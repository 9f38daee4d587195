// The soundtrack generator: the XM writer as libopenmpt reads it, the score's notes and sections,
// and the finished module as libopenmpt and our mixer play it, deterministically.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstring>

#include "audio/offline_output.h"
#include "audio/sound_library.h"
#include "tools/soundtrack/score.h"
#include "tools/soundtrack/xm_writer.h"

namespace velmora {
namespace {

using namespace soundtrack;

uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint32_t(b[at + i]) << (8 * i);
    return v;
}

openmpt_module* openXm(const std::vector<uint8_t>& bytes) {
    return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                              nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                              nullptr, nullptr);
}

Song tinySong() {
    Song song;
    song.name = "tiny";
    song.channels = 2;
    Instrument in;
    in.name = "ramp";
    in.sample = {100, 50, -20, 32767, -32768};
    tuneToRate(in, 44100);
    song.instruments.push_back(in);
    Pattern p;
    p.rows = 4;
    p.cells.resize(8);
    song.patterns.push_back(p);
    song.orders = {0, 0};
    song.at(0, 0, 1) = {49, 1, 0x50, 0, 0};
    return song;
}

TEST(XmWriter, LibopenmptPlaysTheModuleSamplesAreDeltaCodedAndTuned) {
    auto bytes = writeXm(tinySong());
    ASSERT_GT(bytes.size(), 336u);
    EXPECT_EQ(std::memcmp(bytes.data(), "Extended Module: tiny", 21), 0);
    // The sample data closes the file: deltas of 100, 50, -20, 32767, -32768 (wrapping).
    const std::vector<int16_t> deltas = {100, -50, -70, int16_t(32787 - 65536), 1};
    for (size_t i = 0; i < deltas.size(); ++i)
        EXPECT_EQ(int16_t(le(bytes, bytes.size() - 10 + i * 2, 2)), deltas[i]) << i;

    openmpt_module* module = openXm(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(openmpt_module_get_num_channels(module), 2);
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 1);
    EXPECT_NEAR(openmpt_module_get_duration_seconds(module), 2 * 4 * 0.12, 0.001);
    openmpt_module_destroy(module);

    // Tuning puts C-4 at the requested rate.
    Instrument in;
    tuneToRate(in, 8363);
    EXPECT_EQ(in.relativeNote, 0);
    EXPECT_EQ(in.finetune, 0);
    tuneToRate(in, 8363 * 2);
    EXPECT_EQ(in.relativeNote, 12);
    for (double rate : {44100.0, 66976.0, 11025.0}) {
        tuneToRate(in, rate);
        double played = 8363 * std::pow(2.0, (in.relativeNote + in.finetune / 128.0) / 12);
        EXPECT_NEAR(played / rate, 1.0, 0.0003) << rate;  // within half a finetune step
        EXPECT_LE(std::abs(in.finetune), 64) << "the nearest semitone is chosen";
    }
}

TEST(Score, NoteNamesAndSections) {
    EXPECT_EQ(noteNumber("C-0"), 1);
    EXPECT_EQ(noteNumber("A-4"), 58);
    EXPECT_EQ(noteNumber("C#5"), 62);
    EXPECT_EQ(noteNumber("B-7"), 96);
    for (const char* bad : {"H-4", "C-8", "", "C-", "c-4", "C-44"}) EXPECT_EQ(noteNumber(bad), 0) << bad;

    int next = 0;
    for (const Section& s : sections()) {
        EXPECT_EQ(s.firstPattern, next) << s.name;
        EXPECT_GT(s.patterns, 0);
        next += s.patterns;
    }
    EXPECT_EQ(next, 21);
}

TEST(Soundtrack, ModuleIsDeterministicAndAboutTwoAndAHalfMinutes) {
    auto bytes = writeXm(composeSong());
    EXPECT_EQ(bytes, writeXm(composeSong()));
    openmpt_module* module = openXm(bytes);
    ASSERT_NE(module, nullptr);
    EXPECT_NEAR(openmpt_module_get_duration_seconds(module), 21 * kPatternSeconds, 0.05);
    EXPECT_EQ(openmpt_module_get_num_orders(module), 21);
    EXPECT_EQ(openmpt_module_get_num_channels(module), 10);
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 9);
    openmpt_module_destroy(module);
}

// Plays the module through our library offline: its peak per section and whether the channel
// ended.
struct Mixdown {
    std::vector<int> sectionPeaks;
    int64_t frames = 0;
    bool ended = false;
};

Mixdown mixdown(const std::vector<uint8_t>& bytes) {
    Mixdown result;
    useOfflineOutput(true);
    EXPECT_TRUE(BASS_Init(-1, 44100, 0x20, nullptr));
    BASS_Start();
    SoundHandle music = BASS_MusicLoad(true, bytes.data(), 0, uint32_t(bytes.size()), 0x2000);
    EXPECT_NE(music, 0u);
    BASS_MusicPlay(music);
    std::vector<int16_t> block(4410 * 2);
    const int64_t sectionFrames = int64_t(kPatternSeconds * 44100);
    for (int64_t total = 0; total < int64_t(163 * 44100); total += 4410) {
        mixOffline(block.data(), 4410);
        for (size_t i = 0; i < block.size(); ++i) {
            int64_t section = (total + int64_t(i / 2)) / sectionFrames;
            if (section >= int64_t(result.sectionPeaks.size())) result.sectionPeaks.resize(section + 1, 0);
            result.sectionPeaks[section] = std::max(result.sectionPeaks[section], std::abs(int(block[i])));
        }
        result.frames = total + 4410;
        if (total == int64_t(160 * 44100)) {
            EXPECT_TRUE(BASS_ChannelPause(music)) << "still playing at 160 s";
            BASS_MusicPlay(music);
        }
    }
    result.ended = !BASS_ChannelPause(music) && BASS_ErrorGetCode() == kSoundErrorEnded;
    BASS_Free();
    useOfflineOutput(false);
    return result;
}

TEST(Soundtrack, OfflineMixdownSoundsInEveryPatternWithoutClipping) {
    Mixdown first = mixdown(writeXm(composeSong()));
    EXPECT_TRUE(first.ended) << "the module ends by 163 s";
    ASSERT_GE(first.sectionPeaks.size(), 21u);
    for (size_t p = 0; p < 21; ++p) {
        EXPECT_GT(first.sectionPeaks[p], 1500) << "pattern " << p << " is nearly silent";
        EXPECT_LT(first.sectionPeaks[p], 32767) << "pattern " << p << " clips";
    }
    EXPECT_LT(first.sectionPeaks[0], first.sectionPeaks[4]) << "the intro is quieter than the drop";
}

}  // namespace
}  // namespace velmora
