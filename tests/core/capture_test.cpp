// Frame capture: PNG frames of the main loop with a fixed step, ending at the duration.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/demo_window.h"
#include "core/frame_capture.h"
#include "core/offscreen_context.h"
#include "core/video_export.h"
#include "tests/support/png_file.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

using testing::Png;
using testing::readPng;

class CaptureTest : public ::testing::Test {
protected:
    RunOptions captureOptions(std::optional<double> duration, int fps = 60)
    {
        RunOptions options;
        options.output = RunOptions::Output::Headless;
        options.captureTarget = (folder / "frames").string();
        options.captureFps = fps;
        options.durationSeconds = duration;
        return options;
    }

    testing::TempDataDir temp;
    const fs::path folder = temp.root() / "out";
};

// The tests that draw: skipped without an offscreen context.
class CaptureGLTest : public CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        if (!OffscreenContext(4, 4).valid())
            GTEST_SKIP() << "no OSMesa context available";
    }
    // A started window of `width` x `height` capturing with `options`.
    static std::unique_ptr<DemoWindow> started(const RunOptions& options, int width, int height)
    {
        auto window = std::make_unique<DemoWindow>(options);
        DisplaySettings settings;
        settings.width = width;
        settings.height = height;
        EXPECT_TRUE(window->create(settings, "velmora"));
        window->startUp();
        return window;
    }
};

// Also: stale frames of an earlier capture go, other files stay.
TEST_F(CaptureGLTest, MainLoopFramesAreWrittenUntilTheDurationThenTheWindowCloses)
{
    fs::create_directories(folder / "frames");
    std::ofstream(folder / "frames" / "frame-000007.png");
    std::ofstream(folder / "frames" / "notes.txt");
    auto started = CaptureGLTest::started(captureOptions(0.1, 30), 64, 48);  // 3 frames
    DemoWindow& window = *started;
    // Loading frames come before the main loop and are not captured.
    window.frame();
    window.frame();
    EXPECT_FALSE(fs::exists(folder / "frames" / "frame-000000.png"));

    window.frameTimer->reset();
    window.frameTimer->setInterval(1);
    int frames = 0;
    float clock = 0;
    while (window.processMessages() && frames < 10) {
        clock += window.frameTimer->step() * 0.01f;
        // Frame n: the lower half in a colour that tells the frames apart.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 64, 24);
        glClearColor(static_cast<float>(frames + 1) * 60.0f / 255.0f, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        window.frame();
        ++frames;
    }
    EXPECT_EQ(frames, 3);
    EXPECT_FALSE(window.exists());
    EXPECT_NEAR(clock, 0.1f, 1e-5);

    for (int n = 0; n < 3; ++n) {
        Png png;
        ASSERT_TRUE(readPng(folder / "frames" / ("frame-00000" + std::to_string(n) + ".png"), png)) << n;
        EXPECT_EQ(png.width, 64);
        EXPECT_EQ(png.height, 48);
        // GL's bottom-up rows are written top-down.
        EXPECT_EQ(png.at(10, 47)[0], (n + 1) * 60) << n;  // bottom row
        EXPECT_EQ(png.at(10, 0)[0], 0) << n;              // top row
    }
    EXPECT_FALSE(fs::exists(folder / "frames" / "frame-000003.png"));
    EXPECT_FALSE(fs::exists(folder / "frames" / "frame-000007.png"));
    EXPECT_TRUE(fs::exists(folder / "frames" / "notes.txt"));
}

// Stepping at three times the capture rate: steps 0, 3 and 6 are written, each step is one
// third of a frame long, and the sound of all nine steps is kept, and no more.
TEST_F(CaptureGLTest, EveryKthStepIsWrittenWithTheSoundOfEveryStep)
{
    RunOptions options = captureOptions(0.1, 30);
    options.stepFps = 90;
    auto started = CaptureGLTest::started(options, 16, 16);
    DemoWindow& window = *started;
    window.frameTimer->reset();
    window.frameTimer->setInterval(1);
    int steps = 0;
    float clock = 0;
    std::string unseen;
    while (window.processMessages() && steps < 20) {
        unseen += window.nextFrameUnseen() ? '-' : 'W';
        clock += window.frameTimer->step() * 0.01f;
        glClearColor(static_cast<float>(steps + 1) * 20.0f / 255.0f, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        window.frame();
        ++steps;
    }
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(unseen, "W--W--W--");
    EXPECT_NEAR(clock, 0.1f, 1e-5);
    started.reset();
    for (int n = 0; n < 3; ++n) {
        Png png;
        ASSERT_TRUE(readPng(folder / "frames" / ("frame-00000" + std::to_string(n) + ".png"), png)) << n;
        EXPECT_EQ(png.at(8, 8)[0], (3 * n + 1) * 20) << n;
    }
    EXPECT_FALSE(fs::exists(folder / "frames" / "frame-000003.png"));
    EXPECT_EQ(fs::file_size(folder / "frames" / "audio.wav"), 44u + 4410 * 4);
}

TEST_F(CaptureGLTest, WithoutADurationTheCaptureRunsUntilTheShowCloses)
{
    auto started = CaptureGLTest::started(captureOptions(std::nullopt), 32, 32);
    DemoWindow& window = *started;
    ASSERT_TRUE(window.processMessages());
    for (int i = 0; i < 5; ++i)
        window.frame();
    EXPECT_TRUE(window.exists());
    // An exit in the middle of a frame: the rest of the frame has no context and writes nothing.
    window.close();
    window.frame();
    EXPECT_FALSE(window.processMessages());
    started.reset();  // frame files are complete once the capture is finished
    EXPECT_TRUE(fs::exists(folder / "frames" / "frame-000004.png"));
    EXPECT_FALSE(fs::exists(folder / "frames" / "frame-000005.png"));
}

TEST_F(CaptureGLTest, ASecondDemoContinuesTheSequence)
{
    const fs::path frames = folder / "frames";
    auto runDemo = [&](int framesToShow) {
        auto window = started(captureOptions(0.1, 30), 16, 16);  // 3 frames in all
        int shown = 0;
        while (window->processMessages() && shown < framesToShow) {
            window->frame();
            ++shown;
        }
        return shown;
    };
    EXPECT_EQ(runDemo(2), 2);
    EXPECT_TRUE(fs::exists(frames / "frame-000001.png"));
    // The next demo of the same run writes frame 2, reaches the duration and closes.
    EXPECT_EQ(runDemo(10), 1);
    EXPECT_TRUE(fs::exists(frames / "frame-000000.png"));
    EXPECT_TRUE(fs::exists(frames / "frame-000002.png"));
    EXPECT_FALSE(fs::exists(frames / "frame-000003.png"));
}

// Runs `body` with PATH set to `path` alone.
template <typename Body>
void withPath(const fs::path& path, Body body)
{
    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", path.c_str(), 1);
    body();
    setenv("PATH", saved.c_str(), 1);
}

TEST_F(CaptureTest, VideoFramesAndSoundGoThroughFfmpegIntoOneFile)
{
    if (!VideoExport::ffmpegAvailable())
        GTEST_SKIP() << "no ffmpeg";
    fs::create_directories(folder);
    // Two seconds of frames larger than the pipes hold: ffmpeg must take frames and sound as they
    // come. At 5 frames a second the sound runs far ahead of the frames that the encoder still
    // holds back when the input ends.
    for (const int fps : {30, 5}) {
        SCOPED_TRACE(fps);
        const fs::path video = folder / ("show" + std::to_string(fps) + ".mp4");
        std::string message;
        auto exporter = VideoExport::start(video.string(), 320, 240, fps, message);
        ASSERT_TRUE(exporter) << message;
        std::vector<uint8_t> rgba(320 * 240 * 4);
        const std::vector<int16_t> sound(44100 / fps * 2, 300);
        for (int i = 0; i < 2 * fps; ++i) {
            std::fill(rgba.begin(), rgba.end(), uint8_t(i * 4));
            ASSERT_TRUE(exporter->addFrame(rgba.data()));
            ASSERT_TRUE(exporter->addSound(sound.data(), sound.size()));
        }
        ASSERT_TRUE(exporter->finish(message)) << message;
        std::ifstream in(video, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(bytes.find("avc1"), std::string::npos) << "an H.264 picture track";
        EXPECT_NE(bytes.find("mp4a"), std::string::npos) << "an AAC sound track";
        EXPECT_LT(bytes.find("moov"), bytes.find("mdat")) << "the index comes first";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << "no other files";
}

// A capture that cannot be recorded ends the show instead of running unrecorded.
TEST_F(CaptureTest, WithoutAFrameFolderOrWorkingFfmpegTheShowSaysSoAndNeverHangs)
{
    fs::create_directories(folder);
    std::ofstream(folder / "frames");  // a file where the frame folder should be
    DisplaySettings settings;
    DemoWindow blocked(captureOptions(1.0));
    EXPECT_FALSE(blocked.create(settings, "velmora"));
    EXPECT_FALSE(blocked.processMessages());

    // No ffmpeg at all: the show does not start, nothing is written.
    withPath(folder, [&] {
        std::string message;
        EXPECT_FALSE(VideoExport::start((folder / "a.mp4").string(), 8, 8, 30, message));
        EXPECT_EQ(message, "ffmpeg not found");
        RunOptions options = captureOptions(1.0);
        options.captureTarget = (folder / "b.mp4").string();
        DemoWindow window(options);
        EXPECT_FALSE(window.create(settings, "velmora"));
        EXPECT_FALSE(window.processMessages());
    });
    EXPECT_FALSE(fs::exists(folder / "a.mp4"));
    EXPECT_FALSE(fs::exists(folder / "b.mp4"));

    // An ffmpeg that quits at once: frames are refused instead of blocking or killing the player.
    const fs::path fake = folder / "ffmpeg";
    std::ofstream(fake) << "#!/bin/sh\nexit 1\n";
    fs::permissions(fake, fs::perms::owner_all);
    withPath(folder, [&] {
        std::string message;
        auto exporter = VideoExport::start((folder / "c.mp4").string(), 256, 256, 30, message);
        ASSERT_TRUE(exporter) << message;
        const std::vector<uint8_t> rgba(256 * 256 * 4);
        bool accepted = true;
        for (int i = 0; i < 200 && accepted; ++i)
            accepted = exporter->addFrame(rgba.data());
        EXPECT_FALSE(accepted);
        EXPECT_FALSE(exporter->finish(message));
        EXPECT_EQ(message, "ffmpeg failed");
    });

    // An ffmpeg that stays but reads nothing: the export gives up once it took nothing for the
    // stall limit, and ends it.
    std::ofstream(fake) << "#!/bin/sh\nPATH=/usr/bin:/bin exec sleep 600\n";
    withPath(folder, [&] {
        std::string message;
        auto exporter = VideoExport::start((folder / "d.mp4").string(), 256, 256, 30, message);
        ASSERT_TRUE(exporter) << message;
        exporter->setStallLimit(std::chrono::milliseconds(300));
        const std::vector<uint8_t> rgba(256 * 256 * 4);
        bool accepted = true;
        for (int i = 0; i < 200 && accepted; ++i)
            accepted = exporter->addFrame(rgba.data());
        EXPECT_FALSE(accepted);
        EXPECT_FALSE(exporter->addSound(reinterpret_cast<const int16_t*>(rgba.data()), 100));
        EXPECT_FALSE(exporter->finish(message));
        EXPECT_EQ(message, "ffmpeg took no data for 0.3 s, given up");
    });
}

}  // namespace
}  // namespace velmora
