// The `testeffect` screen feedback: its tiles feed back last frame at 0.9 strength, each inset
// in its place, and captures stay inside a window smaller than 640 x 480.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "core/gl_state.h"
#include "core/offscreen_context.h"
#include "effects/testeffect.h"
#include "tests/support/gl_fixture.h"

namespace velmora {
namespace {

class TesteffectTest : public testing::GLTest {
protected:
    void clearTo(float grey)
    {
        glClearColor(grey, grey, grey, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

TEST_F(TesteffectTest, TilesFeedBackThePreviousFrame)
{
    clearTo(100 / 255.0f);
    TestEffect effect;
    effect.load();  // every tile starts as the block at (0, 0): grey 100
    clearTo(0);
    effect.render();  // adds the placeholder at 0.9, then captures
    EXPECT_NEAR(pixel(16 + 32 * 5, 16 + 32 * 3)[0], 90, 2);
    clearTo(0);
    effect.render();
    EXPECT_NEAR(pixel(16 + 32 * 5, 16 + 32 * 3)[0], 81, 2);
    EXPECT_NEAR(pixel(630, 470)[0], 81, 2) << "the last tile of the top row";
    // Nothing is drawn on the first pixel column of a tile: the quads are inset.
    EXPECT_EQ(pixel(32 * 5, 100)[0], 0);
    EXPECT_NEAR(pixel(32 * 5 + 2, 100)[0], 81, 2);
}

TEST_F(TesteffectTest, TrailFollowsWhatWasDrawnBeforeIt)
{
    clearTo(0);
    TestEffect effect;
    effect.load();
    // Frame 1: a bright block in tile (2, 2) only.
    glEnable(GL_SCISSOR_TEST);
    glScissor(64, 64, 32, 32);
    clearTo(1);
    glDisable(GL_SCISSOR_TEST);
    effect.render();
    // Frame 2: nothing new drawn; the block's tile still glows, its neighbours stay dark.
    clearTo(0);
    effect.render();
    EXPECT_GT(pixel(80, 80)[0], 200);
    EXPECT_EQ(pixel(80 + 32, 80)[0], 0);
    EXPECT_EQ(pixel(80, 80 + 64)[0], 0);
}

TEST_F(TesteffectTest, UnloadDeletesTheTilesAndAnUnloadedEffectDrawsNothing)
{
    TestEffect effect;
    effect.render();
    effect.load();
    const GLuint first = effect.tiles()->textures[0];
    EXPECT_TRUE(glIsTexture(first));
    effect.load();  // reload: the old tiles go
    EXPECT_NE(effect.tiles(), nullptr);
    effect.unload();
    EXPECT_EQ(effect.tiles(), nullptr);
    EXPECT_FALSE(glIsTexture(first));
}

TEST(TesteffectSmallWindow, CapturesAreClampedToTheWindow)
{
    auto context = std::make_unique<OffscreenContext>(320, 200);
    if (!context->valid() || !context->makeCurrent())
        GTEST_SKIP() << "no OSMesa context available";
    applyInitialGLState();
    applyProjection(320, 200);
    glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    TestEffect effect;
    effect.load();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    effect.render();
    glClear(GL_COLOR_BUFFER_BIT);
    effect.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glFinish();
    // The 640 x 480 grid is drawn over the unit square, so in a 320 x 200 window each 32-pixel
    // tile covers 16 x 13.3 pixels; the middle of tile (1, 1) still shows the feedback.
    const auto& pixels = context->pixels();
    const int x = 24, y = 20;
    EXPECT_NEAR(pixels[(y * 320 + x) * 4], 81, 3);
}

}  // namespace
}  // namespace velmora
