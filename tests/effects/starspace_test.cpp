// The `starspace` effect beyond its golden images: star motion and rebirth, an unloaded effect.
// A missing or short sprite sheet is the BMP reader's (bmp_image_test).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "effects/starspace.h"
#include "tests/support/gl_fixture.h"

namespace velmora {
namespace {

using StarspaceTest = testing::GLTest;

// Each update moves every star 0.01 x delta x speed towards the eye; one that reaches the eye
// starts again at depth -8.
TEST_F(StarspaceTest, StarsApproachAndAreRebornFarAway)
{
    StarSpace effect;
    EXPECT_TRUE(effect.stars().empty());
    effect.load();
    for (float speed : {1.0f, 0.0f, 2.0f}) {
        effect.speed = speed;
        const std::vector<Star> before(effect.stars().begin(), effect.stars().end());
        effect.update(50);
        const double step = 0.5 * speed;
        int reborn = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            const double z = effect.stars()[i].z;
            if (before[i].z + step >= 0) {
                ASSERT_EQ(z, -8.0) << i;
                ++reborn;
            } else {
                ASSERT_NEAR(z, before[i].z + step, 1e-9) << i;
            }
        }
        EXPECT_EQ(reborn > 0, speed > 0) << speed;
    }
}

TEST_F(StarspaceTest, UnloadedEffectDoesNothing)
{
    StarSpace effect;
    effect.update(1);
    effect.render();
    EXPECT_EQ(pixel(320, 240)[0], 0);
    effect.load();
    effect.render();  // leaves the sprite sheet bound
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_TRUE(glIsTexture(texture));
    effect.unload();
    EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
}  // namespace velmora
