// The SDL window: size, context, and the translation of platform events into the window's
// operations (a size change: author_keys_sdl_test). The window tests need a display; ctest runs them under Xvfb (window_events) and
// they skip elsewhere.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <string>
#include <vector>

#include "core/demo_window.h"
#include "core/message_box.h"
#include "core/sdl_platform.h"

namespace velmora {
namespace {

class RecordingWindow : public DemoWindow {
public:
    RecordingWindow() : DemoWindow(windowed()) {}
    static RunOptions windowed()
    {
        RunOptions options;
        options.output = RunOptions::Output::Window;
        return options;
    }
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
    SDL_Event keyEvent(uint32_t type, SDL_Keycode key)
    {
        SDL_Event event = {};
        event.type = type;
        event.key.windowID = SDL_GetWindowID(window.handle);
        event.key.keysym.sym = key;
        return event;
    }
    SDL_Event windowEvent(uint8_t what)
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(window.handle);
        event.window.event = what;
        return event;
    }

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
    push(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    push(keyEvent(SDL_KEYUP, SDLK_a));
    EXPECT_TRUE(window.processMessages());
    EXPECT_TRUE(window.active);
    ASSERT_EQ(window.calls.size(), 1u);
    EXPECT_EQ(window.calls[0], "key 65 1");

    push(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_FALSE(window.processMessages());
    EXPECT_FALSE(window.active);
    EXPECT_EQ(window.handle, nullptr);
    EXPECT_FALSE(window.hasContext());
    EXPECT_TRUE(window.processMessages());
}

// A platform quit (Ctrl+C in an offscreen show): OffscreenQuitTest.
TEST_F(SdlWindowTest, TheCloseButtonClosesTheWindow)
{
    push(windowEvent(SDL_WINDOWEVENT_CLOSE));
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
    RunOptions options;
    options.output = RunOptions::Output::Headless;
    DemoWindow window(options);
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

}  // namespace
}  // namespace velmora
