// Window, GL window and demo window life cycle on an offscreen context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "core/demo_window.h"
#include "core/offscreen_context.h"

namespace velmora {
namespace {

class HeadlessWindow : public DemoWindow {
public:
    explicit HeadlessWindow(RunOptions options = headless()) : DemoWindow(options) {}
    static RunOptions headless()
    {
        RunOptions options;
        options.output = RunOptions::Output::Headless;
        return options;
    }
};

std::array<float, 16> projection()
{
    std::array<float, 16> m{};
    glGetFloatv(GL_PROJECTION_MATRIX, m.data());
    return m;
}

class OffscreenWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OffscreenContext probe(4, 4);
        if (!probe.valid())
            GTEST_SKIP() << "no OSMesa context available";
        ASSERT_TRUE(window.create(settings, "velmora"));
    }
    DisplaySettings settings;
    HeadlessWindow window;
};

TEST_F(OffscreenWindowTest, CreateGivesAContextOfTheSettingsSizeInTheShowState)
{
    EXPECT_TRUE(window.active);
    EXPECT_FALSE(window.destroyed);
    settings.width = 320;
    settings.height = 200;
    ASSERT_TRUE(window.create(settings, "velmora"));  // replaces the first context
    EXPECT_EQ(window.width, 320);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // 45-degree perspective: m[5] = 1 / tan(22.5 deg), m[0] = m[5] / aspect.
    EXPECT_NEAR(projection()[5], 2.4142135f, 1e-4);
    EXPECT_NEAR(projection()[0], 2.4142135f / 1.6f, 1e-4);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    uint8_t corner[4] = {};
    glReadPixels(319, 199, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[1], 255);

    // A zero height keeps the projection; another size recomputes it.
    const auto before = projection();
    window.resize(640, 0);
    EXPECT_EQ(projection(), before);
    window.resize(200, 400);
    EXPECT_NEAR(projection()[0], 2.4142135f * 2.0f, 1e-4);
    EXPECT_EQ(window.height, 400);
}

TEST_F(OffscreenWindowTest, CloseReleasesGLOnceAndPostsOneQuitMessage)
{
    EXPECT_TRUE(window.processMessages());
    window.releaseGL();
    window.releaseGL();  // twice is harmless
    EXPECT_FALSE(window.makeCurrent());
    window.swapBuffers();
    window.close();
    EXPECT_FALSE(window.hasContext());
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(window.active);
    EXPECT_FALSE(window.processMessages());
    EXPECT_TRUE(window.processMessages());  // consumed
    window.close();  // no window any more: nothing posted
    EXPECT_TRUE(window.processMessages());

    HeadlessWindow quiet;
    quiet.postQuitOnClose = false;
    ASSERT_TRUE(quiet.create(settings, "velmora"));
    quiet.close();
    EXPECT_TRUE(quiet.processMessages());
}

TEST_F(OffscreenWindowTest, CommandLineSizeAndModeOverrideTheScript)
{
    RunOptions options = HeadlessWindow::headless();
    options.width = 160;
    options.height = 120;
    options.fullscreen = true;
    HeadlessWindow overridden(options);
    DisplaySettings script;
    ASSERT_TRUE(overridden.create(script, "velmora"));
    EXPECT_EQ(script.width, 160);
    EXPECT_EQ(script.height, 120);
    EXPECT_EQ(overridden.height, 120);
    // --fullscreen takes the desktop as it is (in a window): no display-mode change is asked for.
    EXPECT_EQ(script.windowFlags, 0u);
    EXPECT_FALSE(script.fullscreen);
    EXPECT_FALSE(overridden.fullscreen);
}

// A script may ask for any size; the window gets one within the command line's limits.
TEST(WindowSizeLimit, SidesOutOfRangeAreBroughtInWithAMessage)
{
    struct Case {
        int32_t width, height, wantWidth, wantHeight;
        const char* message;
    };
    const Case cases[] = {
        {640, 480, 640, 480, ""},
        {100000, 100000, 16384, 16384, "XML Error: window size 100000x100000 out of range (1 to 16384 a side), using 16384x16384\n"},
        {0, -5, 1, 1, "XML Error: window size 0x-5 out of range (1 to 16384 a side), using 1x1\n"},
        {16384, 1, 16384, 1, ""},
    };
    for (const Case& c : cases) {
        DisplaySettings settings;
        settings.width = c.width;
        settings.height = c.height;
        ::testing::internal::CaptureStdout();
        limitWindowSize(settings);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.message);
        EXPECT_EQ(settings.width, c.wantWidth) << c.width;
        EXPECT_EQ(settings.height, c.wantHeight) << c.height;
    }
}

TEST_F(OffscreenWindowTest, StartUpShowsBlackFramesAndResetsTheTimerToThreeFrames)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    window.frameTimer->setInterval(1);
    window.frameTimer->frameStep = 9;
    window.startUp();
    EXPECT_EQ(window.frameTimer->interval, 3u);
    EXPECT_FLOAT_EQ(window.frameTimer->step(), 0.5f);
    uint8_t centre[4] = {1, 1, 1, 1};
    glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_EQ(centre[0], 0);
    EXPECT_EQ(centre[3], 255);
}

}  // namespace
}  // namespace velmora
