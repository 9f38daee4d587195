// The `testeffect` screen feedback beyond its golden images: its textures' life, and captures
// that stay inside a window smaller than 640 x 480.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>

#include "effects/testeffect.h"
#include "tests/support/gl_fixture.h"

namespace velmora {
namespace {

class TesteffectTest : public testing::GLTest {
protected:
};

TEST_F(TesteffectTest, UnloadDeletesTheTilesAndAnUnloadedEffectDrawsNothing)
{
    TestEffect effect;
    effect.render();
    effect.load();
    const GLuint first = effect.tiles()->textures[0].name();
    EXPECT_TRUE(glIsTexture(first));
    effect.load();  // reload: the old tiles go
    EXPECT_NE(effect.tiles(), nullptr);
    effect.unload();
    EXPECT_EQ(effect.tiles(), nullptr);
    EXPECT_FALSE(glIsTexture(first));
}

TEST(TesteffectSmallWindow, CapturesAreClampedToTheWindow)
{
    const auto context = testing::openShowContext(320, 200);
    if (!context)
        GTEST_SKIP() << "no OSMesa context available";
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
