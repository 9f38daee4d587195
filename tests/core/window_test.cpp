// Window, GL window and demo window life cycle on an offscreen context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "core/demo_window.h"
#include "core/gl_window.h"
#include "core/offscreen_context.h"

namespace velmora {
namespace {

// Records what the window forwards to its virtual operations.
class RecordingWindow : public DemoWindow {
public:
    RecordingWindow() : DemoWindow(headless()) {}
    static RunOptions headless()
    {
        RunOptions options;
        options.output = RunOptions::Output::Headless;
        return options;
    }
    void close() override
    {
        ++closes;
        DemoWindow::close();
    }
    int closes = 0;
};

std::array<float, 16> projection()
{
    std::array<float, 16> m{};
    glGetFloatv(GL_PROJECTION_MATRIX, m.data());
    return m;
}

bool offscreenAvailable()
{
    OffscreenContext probe(4, 4);
    return probe.valid() && probe.makeCurrent();
}

class OffscreenWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!offscreenAvailable())
            GTEST_SKIP() << "no OSMesa context available";
    }
};

TEST_F(OffscreenWindowTest, CreateMakesAWindowOfTheSettingsSizeWithAContextInTheShowState)
{
    RecordingWindow window;
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(window.active);
    DisplaySettings settings;
    settings.width = 320;
    settings.height = 200;
    ASSERT_TRUE(window.create(settings, "velmora"));
    EXPECT_TRUE(window.offscreen);
    EXPECT_TRUE(window.active);
    EXPECT_FALSE(window.destroyed);
    EXPECT_TRUE(window.hasContext());
    EXPECT_EQ(window.width, 320);
    EXPECT_EQ(window.height, 200);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // 45-degree perspective with aspect 320 / 200: m[5] = 1 / tan(22.5 deg), m[0] = m[5] / aspect.
    const auto m = projection();
    EXPECT_NEAR(m[5], 2.4142135f, 1e-4);
    EXPECT_NEAR(m[0], 2.4142135f / 1.6f, 1e-4);

    // The offscreen buffer is the settings' size: a clear reaches its far corner.
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    uint8_t corner[4] = {};
    glReadPixels(319, 199, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[1], 255);
}

TEST_F(OffscreenWindowTest, CommandLineSizeAndModeOverrideTheScript)
{
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    options.width = 160;
    options.height = 120;
    options.fullscreen = true;
    DemoWindow window(options);
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    EXPECT_EQ(settings.width, 160);
    EXPECT_EQ(settings.height, 120);
    EXPECT_EQ(window.width, 160);
    EXPECT_TRUE(settings.fullscreen);
    EXPECT_EQ(settings.windowFlags, 0x201u);
    EXPECT_FALSE(window.fullscreen);  // no display mode changes offscreen
}

TEST_F(OffscreenWindowTest, ResizeWithZeroHeightKeepsTheProjection)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    const auto before = projection();
    window.resize(640, 0);
    const auto after = projection();
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]) << i;

    window.resize(200, 400);
    EXPECT_NEAR(projection()[0], 2.4142135f * 2.0f, 1e-4);
    EXPECT_EQ(window.width, 200);
    EXPECT_EQ(window.height, 400);
}

TEST_F(OffscreenWindowTest, ReleaseGLTwiceIsHarmlessAndCloseRunsIt)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    window.releaseGL();
    EXPECT_FALSE(window.hasContext());
    EXPECT_FALSE(window.makeCurrent());
    window.releaseGL();
    EXPECT_FALSE(window.hasContext());
    window.swapBuffers();  // nothing to show, nothing to fail

    // A second create replaces the context.
    ASSERT_TRUE(window.create(settings, "velmora"));
    EXPECT_TRUE(window.hasContext());
    window.close();
    EXPECT_FALSE(window.hasContext());
    window.releaseGL();
}

TEST_F(OffscreenWindowTest, CloseDestroysTheWindowAndPostsOneQuitMessage)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    EXPECT_TRUE(window.processMessages());  // empty queue
    window.close();
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(window.active);
    EXPECT_FALSE(window.exists());
    EXPECT_FALSE(window.processMessages());
    EXPECT_TRUE(window.processMessages());  // consumed
    // Closing again finds no window and posts nothing.
    window.close();
    EXPECT_TRUE(window.processMessages());
}

TEST_F(OffscreenWindowTest, CloseWithoutPostQuitOnCloseLeavesTheLoopRunning)
{
    RecordingWindow window;
    window.postQuitOnClose = false;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    window.close();
    EXPECT_TRUE(window.destroyed);
    EXPECT_TRUE(window.processMessages());
}

TEST_F(OffscreenWindowTest, EscapeClosesOtherKeysDoNot)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    window.key('A', 1);
    window.key(' ', 0);
    window.key(13, 1);
    EXPECT_EQ(window.closes, 0);
    EXPECT_TRUE(window.active);
    window.key(27, 0);
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.active);
    EXPECT_FALSE(window.processMessages());
}

TEST_F(OffscreenWindowTest, StartUpShowsBlackFramesAndResetsTheTimerToThreeFrames)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
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
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[3], 1.0f);
}

TEST_F(OffscreenWindowTest, GLWindowFrameClearsAndReportsTrue)
{
    RecordingWindow window;
    DisplaySettings settings;
    ASSERT_TRUE(window.create(settings, "velmora"));
    glClearColor(0, 0, 1, 1);
    EXPECT_TRUE(window.GLWindow::frame());
    EXPECT_FALSE(window.frame());
    EXPECT_FALSE(window.Window::frame());
    uint8_t centre[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_EQ(centre[2], 255);
}

TEST(WindowTest, ANewWindowHasTheDocumentedDefaults)
{
    Window window;
    EXPECT_TRUE(window.postQuitOnClose);
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(window.active);
    EXPECT_EQ(window.handle, nullptr);
    EXPECT_TRUE(window.processMessages());
    window.close();  // no window: nothing posted
    EXPECT_TRUE(window.processMessages());
    window.resize(12, 34);
    EXPECT_EQ(window.width, 12);
    EXPECT_EQ(window.height, 34);
}

}  // namespace
}  // namespace velmora
