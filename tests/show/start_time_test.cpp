// --start: a capture started at T shows and sounds like a whole capture from T on. Small shows
// over the built-in show's data, one per kind of state an effect carries from frame to frame.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/audio/sound_files.h"
#include "tests/support/png_file.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int kFps = 20;              // 2205 sound frames a picture frame: no rounding in the split
constexpr double kAfterStart = 0.5;   // seconds compared after the start time

struct StartCase {
    const char* name;
    const char* effects;  // `add` and settings
    const char* events;   // the timeline
    double start;         // seconds
};

const StartCase kCases[] = {
    {"particles",
     R"(<add type="particlebox" name="sparks"></add>
<sparks number="300" lifespan="70" texture="spark.tga" dim="18,14,60" spawndim="18,14,60" dirmin="0,0,0.04" dirmax="0,0,0.12" tra="0,0,-32" color="ffffa050"></sparks>)",
     R"(<event time="0"><draworder effect="bg" effect="sparks"></draworder></event>)", 2.5},
    {"rigid bodies", R"(<add type="rigid" name="bodies"></add>)",
     R"(<event time="0"><draworder effect="bg" effect="bodies"></draworder></event>)", 3},
    // The tree reseeds the shared generator while drawing; the sparks drawn after it respawn from it.
    {"growing tree",
     R"(<add type="ltree" name="tree"></add>
<tree speed="0.8"></tree>
<add type="particlebox" name="sparks"></add>
<sparks number="100" lifespan="40" texture="spark.tga" dim="18,14,60" spawndim="18,14,60" dirmin="0,0,0.04" dirmax="0,0,0.12" tra="0,0,-32" color="ffffa050"></sparks>)",
     R"(<event time="0"><draworder effect="bg" effect="tree" effect="sparks"></draworder></event>)", 3},
    {"water and ribbon",
     R"(<add type="splash" name="water"></add>
<add type="wobble" name="ribbon"></add>
<ribbon speed="0.6"></ribbon>)",
     R"(<event time="0"><draworder effect="bg" effect="water" effect="ribbon"></draworder></event>
<event time="1"><water><splash></splash></water></event>
<event time="2.5"><water><splash></splash></water></event>)", 3},
    {"scene tracks", R"(<add type="3dscene" name="orbit"></add>
<orbit filename="orbit.zen"></orbit>)",
     R"(<event time="0"><draworder effect="bg" effect="orbit"></draworder><orbit camera="Wide" speed="0.5"></orbit></event>
<event time="2"><orbit camera="Close"></orbit></event>)", 3},
    // Music with all three sound hooks, a sample still sounding at the start, the oscilloscope,
    // and a trail that carries the previous pictures.
    {"music and trail",
     R"(<add type="musicplay" name="tune"></add>
<tune filename="velmora.xm"></tune>
<add type="musicplay" name="impact"></add>
<impact filename="impact.wav" sample="1"></impact>
<add type="clear" name="smear"></add>
<smear trailval="0.12"></smear>)",
     R"(<event time="0"><draworder effect="smear" effect="tune"></draworder><tune><play></play></tune></event>
<event time="1"><tune flange="1"></tune></event>
<event time="2"><tune flange="0" echo="1" rotate="1"></tune></event>
<event time="3.1"><impact><play></play></impact></event>)", 3.5},
};

std::string script(const StartCase& c)
{
    return std::string("<demo width=\"160\" height=\"120\" fullscreen=\"0\">\n<create></create>\n"
                       "<add type=\"clear\" name=\"bg\"></add>\n") +
           c.effects + "\n" + c.events + "\n<load effect=\"bg\"></load>\n<run></run>\n</demo>\n";
}

using testing::Png;
using testing::readPng;

// Runs the built player with `arguments`, appending what it printed to `output`; its exit status.
int runPlayer(const std::string& arguments, std::string& output)
{
    return testing::runCommand("'" + (fs::path(VELMORA_BINARY_DIR) / "velmora").string() + "' " + arguments, output);
}

std::string framePath(const fs::path& folder, int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", index);
    return (folder / name).string();
}

class StartTimeTest : public ::testing::TestWithParam<StartCase> {
protected:
    void SetUp() override
    {
        const fs::path stage = fs::path(VELMORA_BINARY_DIR) / "stage" / "data";
        if (!fs::exists(fs::path(VELMORA_BINARY_DIR) / "velmora") || !fs::exists(stage))
            GTEST_SKIP() << "player or its staged data not built in " << VELMORA_BINARY_DIR;
        fs::create_directories(root / "show" / "data");
        // The built-in show's files, and the test's script beside them.
        for (const auto& entry : fs::directory_iterator(stage))
            fs::create_symlink(entry.path(), root / "show" / "data" / entry.path().filename());
        std::ofstream(root / "show" / "data" / "start.txt") << script(GetParam());
    }

    // Captures into `folder` with the given extra options; the player's exit status.
    int capture(const fs::path& folder, const std::string& options, std::string& output)
    {
        return runPlayer("start.txt --data '" + (root / "show").string() + "' --headless --fps " +
                             std::to_string(kFps) + " --capture '" + folder.string() + "' " + options,
                         output);
    }

    testing::TempDataDir temp;
    const fs::path root = temp.root();
};

TEST_P(StartTimeTest, StartedCaptureMatchesTheWholeOneFromThatTime)
{
    const StartCase& c = GetParam();
    const int startFrame = static_cast<int>(c.start * kFps + 0.5);
    const int frames = static_cast<int>(kAfterStart * kFps + 0.5);
    char duration[32], start[32], rest[32];
    std::snprintf(duration, sizeof duration, "%g", c.start + kAfterStart);
    std::snprintf(start, sizeof start, "%g", c.start);
    std::snprintf(rest, sizeof rest, "%g", kAfterStart);

    std::string wholeLog, startedLog;
    ASSERT_EQ(capture(root / "whole", std::string("--duration ") + duration, wholeLog), 0) << wholeLog;
    if (wholeLog.find("Loading.") == std::string::npos)
        GTEST_SKIP() << "no offscreen GL context:\n" << wholeLog.substr(0, 2000);
    ASSERT_EQ(capture(root / "started", std::string("--start ") + start + " --duration " + rest, startedLog), 0)
        << startedLog;

    int largest = 0;
    for (int i = 0; i < frames; ++i) {
        Png whole, started;
        ASSERT_TRUE(readPng(framePath(root / "whole", startFrame + i), whole)) << "whole frame " << startFrame + i;
        ASSERT_TRUE(readPng(framePath(root / "started", i), started)) << "started frame " << i;
        ASSERT_EQ(whole.rgb.size(), started.rgb.size());
        for (size_t k = 0; k < whole.rgb.size(); ++k)
            largest = std::max(largest, std::abs(whole.rgb[k] - started.rgb[k]));
    }
    std::printf("[%s] largest difference per channel: %d\n", c.name, largest);
    EXPECT_LE(largest, 2) << c.name;

    const std::vector<int16_t> wholeSound = testing::wavSamples(root / "whole" / "audio.wav");
    const std::vector<int16_t> startedSound = testing::wavSamples(root / "started" / "audio.wav");
    const size_t offset = static_cast<size_t>(startFrame) * (44100 / kFps) * 2;
    ASSERT_EQ(startedSound.size(), static_cast<size_t>(frames) * (44100 / kFps) * 2);
    ASSERT_GE(wholeSound.size(), offset + startedSound.size());
    int soundDifference = 0;
    for (size_t k = 0; k < startedSound.size(); ++k) {
        soundDifference = std::max(soundDifference, std::abs(wholeSound[offset + k] - startedSound[k]));
    }
    std::printf("[%s] largest sound difference: %d\n", c.name, soundDifference);
    EXPECT_EQ(soundDifference, 0) << c.name;
}

// A capture at kFps steps the show at 60 a second and writes every third step: its frames are
// those of a capture that writes all 60, though the steps between skip the drawing that changes
// nothing. (A polygon's edge may fall on another pixel: the ribbon's curve, moved without
// drawing, may differ in its last bit. A few such pixels a frame are allowed.)
TEST_P(StartTimeTest, StepsNotWrittenLeaveTheFramesAsAWholeCaptureAt60)
{
    const StartCase& c = GetParam();
    char duration[32];
    std::snprintf(duration, sizeof duration, "%g", c.start);
    std::string everyStepLog, stepsLog;
    const std::string allSteps = "--fps 60 --step-fps 60 --duration ";
    ASSERT_EQ(runPlayer("start.txt --data '" + (root / "show").string() + "' --headless " + allSteps + duration +
                            " --capture '" + (root / "every").string() + "'",
                        everyStepLog),
              0)
        << everyStepLog;
    if (everyStepLog.find("Loading.") == std::string::npos)
        GTEST_SKIP() << "no offscreen GL context:\n" << everyStepLog.substr(0, 2000);
    ASSERT_EQ(capture(root / "stepped", std::string("--duration ") + duration, stepsLog), 0) << stepsLog;

    constexpr int kEdgePixels = 8;
    const int frames = static_cast<int>(c.start * kFps + 0.5);
    int most = 0;  // pixels of one frame off by more than 2 in a channel
    for (int i = 0; i < frames; ++i) {
        Png every, stepped;
        ASSERT_TRUE(readPng(framePath(root / "every", i * (60 / kFps)), every)) << i;
        ASSERT_TRUE(readPng(framePath(root / "stepped", i), stepped)) << i;
        ASSERT_EQ(every.rgb.size(), stepped.rgb.size());
        int off = 0;
        for (size_t k = 0; k + 2 < every.rgb.size(); k += 3) {
            off += std::abs(every.rgb[k] - stepped.rgb[k]) > 2 || std::abs(every.rgb[k + 1] - stepped.rgb[k + 1]) > 2 ||
                   std::abs(every.rgb[k + 2] - stepped.rgb[k + 2]) > 2;
        }
        most = std::max(most, off);
    }
    std::printf("[%s] most pixels off in a frame: %d\n", c.name, most);
    EXPECT_LE(most, kEdgePixels) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Shows, StartTimeTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

}  // namespace
}  // namespace velmora
