// The window: the offscreen window's life cycle and size limits; the SDL window's size, context
// and translation of platform events (Escape, close, quit, a size change); author mode's keys
// through a real window. The Sdl* tests need a display: ctest runs them under Xvfb
// (window_events) and they skip elsewhere.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "core/author_mode.h"
#include "core/demo.h"
#include "core/demo_window.h"
#include "core/message_box.h"
#include "core/offscreen_context.h"
#include "core/sdl_platform.h"

namespace velmora {
namespace {

RunOptions withOutput(RunOptions::Output output)
{
    RunOptions options;
    options.output = output;
    return options;
}

// Platform events addressed to `window`.
SDL_Event keyEvent(SDL_Window* window, uint32_t type, SDL_Keycode key)
{
    SDL_Event event = {};
    event.type = type;
    event.key.windowID = SDL_GetWindowID(window);
    event.key.keysym.sym = key;
    return event;
}
SDL_Event windowEvent(SDL_Window* window, uint8_t what, int data1 = 0, int data2 = 0)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(window);
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

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
    DemoWindow window{withOutput(RunOptions::Output::Headless)};
};

TEST_F(OffscreenWindowTest, CreateResizeAndStartUpSetTheShowState)
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

    // A zero height keeps the projection; another size recomputes it.
    const auto before = projection();
    window.resize(640, 0);
    EXPECT_EQ(projection(), before);
    window.resize(200, 400);
    EXPECT_NEAR(projection()[0], 2.4142135f * 2.0f, 1e-4);
    EXPECT_EQ(window.height, 400);

    // Start-up shows black frames and resets the timer to measure over three frames.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    window.frameTimer->setInterval(1);
    window.frameTimer->frameStep = 9;
    window.startUp();
    EXPECT_EQ(window.frameTimer->interval, 3u);
    EXPECT_FLOAT_EQ(window.frameTimer->step(), 0.5f);
    uint8_t centre[4] = {1, 1, 1, 1};
    glReadPixels(100, 100, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_EQ(centre[0], 0);
    EXPECT_EQ(centre[3], 255);
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

    DemoWindow quiet(withOutput(RunOptions::Output::Headless));
    quiet.postQuitOnClose = false;
    ASSERT_TRUE(quiet.create(settings, "velmora"));
    quiet.close();
    EXPECT_TRUE(quiet.processMessages());
}

TEST_F(OffscreenWindowTest, CommandLineSizeAndModeOverrideTheScript)
{
    RunOptions options = withOutput(RunOptions::Output::Headless);
    options.width = 160;
    options.height = 120;
    options.fullscreen = true;
    DemoWindow overridden(options);
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

// ---- The SDL window -----------------------------------------------------------------------

class RecordingWindow : public DemoWindow {
public:
    RecordingWindow() : DemoWindow(withOutput(RunOptions::Output::Window)) {}
    void key(int code, int flag) override
    {
        calls.push_back("key " + std::to_string(code) + " " + std::to_string(flag));
        DemoWindow::key(code, flag);
    }
    std::vector<std::string> calls;
};

class SdlWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::displayAvailable())
            GTEST_SKIP() << "no display: " << SDL_GetError();
        DisplaySettings settings;
        settings.width = 320;
        settings.height = 200;
        ASSERT_TRUE(window.create(settings, "velmora"));
        ASSERT_NE(window.handle, nullptr);
        // Window creation queues events of its own (shown, exposed, focus): take them first.
        ASSERT_TRUE(window.processMessages());
        window.calls.clear();
    }

    void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    RecordingWindow window;
};

TEST_F(SdlWindowTest, TheClientAreaHasTheRequestedSizeAndTheContextDraws)
{
    int w = 0, h = 0;
    SDL_GetWindowSize(window.handle, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
    EXPECT_STREQ(SDL_GetWindowTitle(window.handle), "velmora");
    SDL_Rect desktop;
    ASSERT_EQ(SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window.handle), &desktop), 0);
    int left = 0, top = 0;
    SDL_GetWindowPosition(window.handle, &left, &top);
    EXPECT_EQ(left, desktop.x + (desktop.w - 320) / 2);
    EXPECT_EQ(top, desktop.y + (desktop.h - 200) / 2);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
    GLint alphaBits = 0;  // as the offscreen context: destination alpha blends alike
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    EXPECT_EQ(alphaBits, 8);

    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    uint8_t p[4] = {};
    glReadPixels(319, 199, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
}

TEST_F(SdlWindowTest, EscapeClosesOnReleaseOnly)
{
    push(keyEvent(window.handle, SDL_KEYDOWN, SDLK_ESCAPE));
    push(keyEvent(window.handle, SDL_KEYUP, SDLK_a));
    EXPECT_TRUE(window.processMessages());
    EXPECT_TRUE(window.active);
    ASSERT_EQ(window.calls.size(), 1u);
    EXPECT_EQ(window.calls[0], "key 65 1");

    push(keyEvent(window.handle, SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_FALSE(window.processMessages());
    EXPECT_FALSE(window.active);
    EXPECT_EQ(window.handle, nullptr);
    EXPECT_FALSE(window.hasContext());
    EXPECT_TRUE(window.processMessages());
}

// A platform quit (Ctrl+C in an offscreen show): OffscreenQuitTest.
TEST_F(SdlWindowTest, TheCloseButtonClosesTheWindow)
{
    push(windowEvent(window.handle, SDL_WINDOWEVENT_CLOSE));
    EXPECT_FALSE(window.processMessages());
    EXPECT_TRUE(window.destroyed);
    EXPECT_EQ(window.handle, nullptr);
}

TEST(SdlFullscreenTest, ARefusedModeFallsBackToAWindowWithTheCursorShown)
{
    if (!platform::displayAvailable())
        GTEST_SKIP() << "no display";
    RecordingWindow window;
    DisplaySettings settings;
    settings.fullscreen = true;
    settings.width = 333;  // no display offers this mode
    settings.height = 222;
    ::testing::internal::CaptureStderr();
    const bool created = window.create(settings, "velmora");
    const std::string messages = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(created);
    EXPECT_FALSE(window.fullscreen);
    EXPECT_NE(messages.find("FullScreen Failed, using Windowed"), std::string::npos) << messages;
    EXPECT_EQ(settings.windowX, 0);
    EXPECT_EQ(settings.windowFlags, 0x201u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    int w = 0, h = 0;
    SDL_GetWindowSize(window.handle, &w, &h);
    EXPECT_EQ(w, 333);
    EXPECT_EQ(h, 222);
}

TEST(OffscreenQuitTest, CtrlCEndsAnOffscreenShowThroughTheQuitMessage)
{
    DemoWindow window(withOutput(RunOptions::Output::Headless));
    DisplaySettings settings;
    if (!window.create(settings, "velmora"))
        GTEST_SKIP() << "no OSMesa context available";
    struct sigaction action = {};
    sigaction(SIGINT, nullptr, &action);
    EXPECT_NE(action.sa_handler, SIG_DFL);  // the signal becomes a message, it does not kill
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_FALSE(window.processMessages());
    EXPECT_TRUE(window.destroyed);
    EXPECT_FALSE(window.hasContext());
}

TEST(MessageBoxTest, WithoutAPersonAtTheScreenTheTextGoesToStandardError)
{
    // ctest runs without a terminal on standard input: no box may wait for a click.
    ::testing::internal::CaptureStderr();
    showMessage("Window Creation Error.", "ERROR", MessageIcon::Exclamation);
    showMessage("DestroyWindow() Failed.", "SHUTDOWN ERROR", MessageIcon::Information);
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (isatty(0) && isatty(1) && platform::videoRunning())
        GTEST_SKIP() << "interactive run: boxes were shown";
    EXPECT_EQ(text, "ERROR: Window Creation Error.\nSHUTDOWN ERROR: DestroyWindow() Failed.\n");
}

// ---- Author mode's keys in a window --------------------------------------------------------

class SdlAuthorKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::displayAvailable())
            GTEST_SKIP() << "no display: " << SDL_GetError();
        RunOptions options = withOutput(RunOptions::Output::Window);
        options.vsync = false;
        demo = std::make_unique<Demo>(options, std::span<const EffectType>{});
        demo->settings.width = 160;
        demo->settings.height = 120;
        ASSERT_TRUE(demo->create(demo->settings, "velmora"));
        demo->startUp();
        demo->author = std::make_unique<AuthorSession>(*demo, options);
        ASSERT_TRUE(demo->processMessages());
    }

    // Releases `key` in the window and runs one pass of the main loop.
    bool release(SDL_Keycode key)
    {
        SDL_Event event = keyEvent(demo->handle, SDL_KEYUP, key);
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        if (!demo->processMessages())
            return false;
        if (!demo->author->holdFrame())
            demo->frame();
        return true;
    }

    std::unique_ptr<Demo> demo;
};

TEST_F(SdlAuthorKeysTest, KeysDriveTheShowInAWindowThatKeepsThePictureShape)
{
    demo->frame();
    ASSERT_TRUE(release(SDLK_SPACE));
    EXPECT_TRUE(demo->author->paused());
    const float pausedAt = demo->clock;
    ASSERT_TRUE(release(SDLK_a));  // not ours: the show stays paused
    EXPECT_EQ(demo->clock, pausedAt);
    ASSERT_TRUE(release(SDLK_PERIOD));  // one frame on
    EXPECT_NEAR(demo->clock, pausedAt + 1.0f / 60, 1e-4);

    ASSERT_TRUE(release(SDLK_RIGHT));  // 5 s on, still paused, that frame shown
    EXPECT_NEAR(demo->clock, pausedAt + 5.0f + 2.0f / 60, 0.02);
    ASSERT_TRUE(release(SDLK_PAGEUP));
    EXPECT_NEAR(demo->clock, pausedAt + 35.0f + 3.0f / 60, 0.03);
    ASSERT_TRUE(release(SDLK_F1));
    EXPECT_TRUE(demo->author->overlayShown());

    ASSERT_TRUE(release(SDLK_SPACE));
    EXPECT_FALSE(demo->author->paused());

    // A window of another shape than the picture (resized, or fullscreen on the desktop) shows
    // the picture whole with bars: 160 x 120 in 320 x 120 is 160 x 120 in the middle.
    SDL_Event event = windowEvent(demo->handle, SDL_WINDOWEVENT_SIZE_CHANGED, 320, 120);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    ASSERT_TRUE(demo->processMessages());
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 80);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 120);
    EXPECT_FALSE(release(SDLK_ESCAPE));  // quits as it always did
}

}  // namespace
}  // namespace velmora
