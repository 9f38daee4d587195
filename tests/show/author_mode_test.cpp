// Author mode on a captured show: sound and picture stay together through a pause and jumps,
// `exit` with --loop starts the show again, and a reload keeps the time and survives a broken
// script. The sound is a stream whose samples count themselves, so the captured sound says
// which moment of it each frame carries.
#include <gtest/gtest.h>

#include <GL/gl.h>

#if defined(__SANITIZE_ADDRESS__)
#include <cstddef>
// The sanitizer runtime's count of live heap bytes (GCC ships no header that declares it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/dsp_rings.h"
#include "core/author_mode.h"
#include "core/demo.h"
#include "core/random.h"
#include "core/script_driver.h"
#include "core/script_node.h"
#include "core/script_parser.h"
#include "effects/effect_table.h"
#include "tests/audio/sound_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int kFps = 20;
constexpr int kRate = 44100;
constexpr int kFramesPerPicture = kRate / kFps;
constexpr int kCount = 30000;  // a sample's index: left + kCount * right

// A stereo WAV of `seconds` whose frame i holds (i % kCount, i / kCount).
std::vector<uint8_t> countingWav(int seconds)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < seconds * kRate; ++i)
        samples.insert(samples.end(), {static_cast<int16_t>(i % kCount), static_cast<int16_t>(i / kCount)});
    return testing::wavFile(samples);
}

const char* kScript = R"(<demo width="64" height="48" fullscreen="0">
<create></create>
<add type="clear" name="bg"></add>
<bg color="%s"></bg>
<add type="musicplay" name="count"></add>
<count filename="count.wav"></count>
<event time="0"><draworder effect="bg"></draworder><count><play></play></count></event>
<event time="%s"><exit></exit></event>
<load effect="bg"></load>
</demo>
)";

class AuthorModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.write("data/music/count.wav", countingWav(6));
        writeScript("ff204060", "100");
    }
    void writeScript(const char* colour, const char* exitTime)
    {
        char text[1024];
        std::snprintf(text, sizeof text, kScript, colour, exitTime);
        data.write("data/script.txt", text);
    }

    // Builds the show as the driver would, up to its main loop, capturing at kFps.
    bool start(bool loop = false)
    {
        options.output = RunOptions::Output::Headless;
        options.captureTarget = folder.string();
        options.captureFps = kFps;
        options.loop = loop;
        options.dataFolder = data.root().string();
        seedRandom(1);
        resetDspRings();
        ::testing::internal::CaptureStdout();
        parseFile(&root, "script.txt");
        demo = std::make_unique<Demo>(options, effectTable());
        demo->element = root.children.at(0).get();
        applyBlock(*demo, demo->element);
        ::testing::internal::GetCapturedStdout();
        if (!demo->hasContext())
            return false;
        demo->processMessages();  // the main loop has begun: frames are captured from here
        demo->author = std::make_unique<AuthorSession>(*demo, options);
        demo->author->beforeMainLoop();
        return true;
    }

    // Runs `count` frames of the main loop, noting the show time each captured frame starts at.
    void frames(int count)
    {
        ::testing::internal::CaptureStdout();
        for (int i = 0; i < count; ++i) {
            if (demo->author->holdFrame())
                continue;
            demo->frame();
            shownAt.push_back(demo->frameStart);
        }
        ::testing::internal::GetCapturedStdout();
    }

    // For each captured frame: its sound's position in the stream minus its show time, in seconds.
    std::vector<double> soundOffsets()
    {
        demo.reset();  // completes audio.wav
        const std::vector<int16_t> samples = testing::wavSamples(folder / "audio.wav");
        std::vector<double> offsets;
        for (size_t k = 0; k < shownAt.size() && (k * kFramesPerPicture + 1) * 2 <= samples.size(); ++k) {
            const int16_t* frame = &samples[k * kFramesPerPicture * 2];
            offsets.push_back(static_cast<double>(frame[0] + kCount * frame[1]) / kRate - shownAt[k]);
        }
        return offsets;
    }

    testing::TempDataDir data;
    const fs::path folder = data.root() / "capture";
    RunOptions options;
    ScriptNode root;
    std::unique_ptr<Demo> demo;
    std::vector<float> shownAt;
};

TEST_F(AuthorModeTest, SoundStaysWithThePictureThroughPauseAndJumps)
{
    if (!start())
        GTEST_SKIP() << "no offscreen GL context";
    frames(10);
    demo->author->setPaused(true);
    frames(4);  // one more frame, whose picture is kept; then held: nothing runs or is captured
    demo->author->setPaused(false);
    frames(5);
    demo->author->jumpTo(2.0);  // forward
    frames(3);
    demo->author->jumpTo(1.0);  // backward: from the start again
    frames(3);

    ASSERT_EQ(shownAt.size(), 11u + 5 + 3 + 3);
    EXPECT_NEAR(shownAt[16], 2.0, 1e-4);
    EXPECT_NEAR(shownAt[19], 1.0, 1e-4);
    const std::vector<double> offsets = soundOffsets();
    ASSERT_EQ(offsets.size(), shownAt.size());
    double largest = 0;
    for (double offset : offsets)
        largest = std::max(largest, std::abs(offset));
    std::printf("largest sound-picture offset: %.2f ms\n", largest * 1000);
    EXPECT_LT(largest, 1.0 / kFps);
}

TEST_F(AuthorModeTest, ExitStartsTheShowAgainWithLoop)
{
    writeScript("ff204060", "1");
    if (!start(true))
        GTEST_SKIP() << "no offscreen GL context";
    frames(30);  // 1.5 s: the exit at 1 s started the show again
    EXPECT_TRUE(demo->exists());
    EXPECT_NEAR(shownAt.back(), 0.40, 1e-3);
    // The music started again with the show.
    const std::vector<double> offsets = soundOffsets();
    for (double offset : offsets)
        EXPECT_LT(std::abs(offset), 1.0 / kFps);
}

TEST_F(AuthorModeTest, ReloadKeepsTheTimeAndSurvivesABrokenScript)
{
    if (!start())
        GTEST_SKIP() << "no offscreen GL context";
    frames(20);
    auto centre = [&] {
        uint8_t pixel[4] = {};
        glReadPixels(32, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        return static_cast<int>(pixel[2]);  // blue
    };
    EXPECT_EQ(centre(), 0x60);

    writeScript("ff2040c0", "100");
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(demo->author->reload());
    ::testing::internal::GetCapturedStdout();
    frames(1);
    EXPECT_NEAR(shownAt.back(), 1.0, 1e-4);
    EXPECT_EQ(centre(), 0xc0);

    // Scripts a reload refuses, and the reason it gives.
    const struct {
        std::string script;  // empty: no script at all
        const char* reason;
    } broken[] = {
        {"<demo><create></create><bg></demo>",  // half written
         "reload: script.txt has errors (XML Error </?> not equal to parent <?> ! [demo]); the show goes on as it "
         "was\n"},
        {"<show></show>", "reload: script.txt holds no demo element 1; the show goes on as it was\n"},
        {"", "reload: script.txt cannot be read from "},
        // Reading it would hold the show up for seconds.
        {"<demo></demo>" + std::string(17 << 20, ' '),
         "reload: script.txt is 17.0 MB, more than the 16 MB a reload reads while the show runs; the show goes on"},
    };
    for (const auto& script : broken) {
        fs::remove(data.root() / "data" / "script.txt");
        if (!script.script.empty())
            data.write("data/script.txt", script.script);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(demo->author->reload());
        ::testing::internal::GetCapturedStdout();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind(script.reason, 0), 0u) << said;
    }
    frames(1);
    EXPECT_NEAR(shownAt.back(), 1.05, 1e-4);
    EXPECT_EQ(centre(), 0xc0);
    EXPECT_EQ(demo->effectCount(), 2u);
}

// Bytes of the heap in use (freed blocks not counted, also those a sanitizer holds back).
size_t heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

TEST_F(AuthorModeTest, ReloadsKeepOnlyTheNewestScript)
{
    if (!start())
        GTEST_SKIP() << "no offscreen GL context";
    // About 60,000 elements the show ignores: some 15 MB of script tree a reload.
    std::string script(kScript);
    std::string notes;
    for (int i = 0; i < 60000; ++i)
        notes += "<note a=\"" + std::to_string(i) + "\" b=\"x\"></note>\n";
    char text[1024];
    std::snprintf(text, sizeof text, kScript, "ff204060", "100");
    script = text;
    script.insert(script.find("<create>"), notes);
    data.write("data/script.txt", script);

    size_t afterFirst = 0;
    for (int i = 0; i < 12; ++i) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(demo->author->reload());
        ::testing::internal::GetCapturedStdout();
        ::testing::internal::GetCapturedStderr();
        if (i == 0)
            afterFirst = heapInUse();
    }
    const size_t now = heapInUse();
    const double grown = (static_cast<double>(now) - static_cast<double>(afterFirst)) / 1048576.0;
    std::printf("heap in use grew by %.1f MB over 11 reloads\n", grown);
    EXPECT_LT(grown, 8.0);
}

// What a paused show shows, whatever the overlay does meanwhile: its last picture, with the
// overlay's dark panel only while the overlay is on.
struct PauseCase {
    const char* name;
    bool overlayBefore;  // shown when the pause begins
    int toggles;         // F1 pressed this often while paused
    bool panel;          // the overlay is on at the end
};

void PrintTo(const PauseCase& c, std::ostream* os) { *os << c.name; }

class PausedPictureTest : public AuthorModeTest, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(PausedPictureTest, KeepsTheLastPicture)
{
    const PauseCase& c = GetParam();
    if (!start())
        GTEST_SKIP() << "no offscreen GL context";
    frames(3);
    if (c.overlayBefore)
        demo->author->toggleOverlay();
    frames(1);
    demo->author->setPaused(true);
    frames(3);
    const float pausedAt = demo->clock;
    for (int i = 0; i < c.toggles; ++i) {
        demo->author->toggleOverlay();
        frames(1);
    }
    EXPECT_TRUE(demo->author->paused());
    EXPECT_EQ(demo->clock, pausedAt);
    auto pixel = [](int x, int y) {
        uint8_t rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return static_cast<int>(rgba[2]);  // blue
    };
    EXPECT_EQ(pixel(1, 24), 0x60) << "left of the overlay's panel: the picture";
    if (c.panel) {
        EXPECT_LT(pixel(5, 40), 0x40) << "inside the panel, left of its text";
    } else {
        EXPECT_EQ(pixel(5, 40), 0x60) << "where the panel was: the picture";
    }
}

const PauseCase kPauseCases[] = {
    {"plain", false, 0, false},
    {"overlay_on", true, 0, true},
    {"overlay_off_while_paused", true, 1, false},
    {"overlay_on_while_paused", false, 1, true},
    {"overlay_off_and_on_while_paused", true, 2, true},
};

INSTANTIATE_TEST_SUITE_P(Overlay, PausedPictureTest, ::testing::ValuesIn(kPauseCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
