// Author mode's keys through a real SDL window (run under Xvfb by ctest's window_events; skipped
// without a display): released keys pause, step, jump, toggle the overlay; Escape still quits.
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

}  // namespace
}  // namespace velmora
