// Author mode's keys through a real SDL window (run under Xvfb by ctest's window_events; skipped
// without a display): released keys pause, step, jump, toggle the overlay; Escape still quits;
// a window of another shape keeps the picture's.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <memory>

#include "core/author_mode.h"
#include "core/demo.h"
#include "core/sdl_platform.h"

namespace velmora {
namespace {

class SdlAuthorKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!platform::displayAvailable())
            GTEST_SKIP() << "no display: " << SDL_GetError();
        RunOptions options;
        options.output = RunOptions::Output::Window;
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
        SDL_Event event = {};
        event.type = SDL_KEYUP;
        event.key.windowID = SDL_GetWindowID(demo->handle);
        event.key.keysym.sym = key;
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        if (!demo->processMessages())
            return false;
        if (!demo->author->holdFrame())
            demo->frame();
        return true;
    }

    std::unique_ptr<Demo> demo;
};

TEST_F(SdlAuthorKeysTest, KeysDriveTheShowInAWindow)
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
    EXPECT_FALSE(release(SDLK_ESCAPE));  // quits as it always did
}

// A window of another shape than the picture (resized, or fullscreen on the desktop) shows the
// picture whole with bars: 160 x 120 in 320 x 120 is 160 x 120 in the middle.
TEST_F(SdlAuthorKeysTest, ResizedWindowKeepsThePictureShape)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(demo->handle);
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.data1 = 320;
    event.window.data2 = 120;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    ASSERT_TRUE(demo->processMessages());
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 80);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 120);
}

}  // namespace
}  // namespace velmora
