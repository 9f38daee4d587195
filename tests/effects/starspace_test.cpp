// The `starspace` effect beyond its golden images: star motion and rebirth, a missing or short
// sprite sheet, an unloaded effect.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random.h"
#include "effects/starspace.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

class StarspaceTest : public testing::GLTest {
protected:
    std::vector<uint8_t> sheetLevel0(const StarField& field)
    {
        std::vector<uint8_t> texels(256 * 256 * 3);
        glBindTexture(GL_TEXTURE_2D, field.texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }
    testing::TempDataDir dir;
};

TEST_F(StarspaceTest, StarsApproachAndAreRebornFarAway)
{
    StarSpace effect;
    effect.load();
    StarField& field = *effect.field;
    field.stars[0].z = -1;
    field.stars[1].z = -0.005;
    const float angle = field.angles8[0];
    effect.update(1);
    EXPECT_NEAR(field.stars[0].z, -0.99, 1e-9);
    EXPECT_EQ(field.stars[1].z, -8.0);
    EXPECT_NEAR(field.angles8[0], angle + field.speeds8[0], 1e-6f);

    effect.speed = 0;
    const auto before = field.stars;
    const auto anglesBefore = field.angles16;
    effect.update(50);
    for (size_t i = 0; i < before.size(); ++i)
        ASSERT_EQ(field.stars[i].z, before[i].z);
    EXPECT_EQ(field.angles16, anglesBefore);

    effect.speed = 2;
    field.stars[0].z = -1;
    effect.update(1);
    EXPECT_NEAR(field.stars[0].z, -0.98, 1e-9);
}

TEST_F(StarspaceTest, MissingOrShortSheetGivesBlackSpritesWithoutReadingPastIt)
{
    {
        StarSpace effect;
        effect.load();  // no STARS.BMP at all
        const auto texels = sheetLevel0(*effect.field);
        EXPECT_TRUE(std::all_of(texels.begin(), texels.end(), [](uint8_t b) { return b == 0; }));
    }
    dir.write("data/textures/STARS.BMP", testing::bmpFile({10, 20, 30, 40, 50, 60, 70}));
    StarSpace effect;
    effect.load();
    const auto texels = sheetLevel0(*effect.field);
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 6), (Bytes{10, 20, 30, 40, 50, 60}));
    EXPECT_TRUE(std::all_of(texels.begin() + 6, texels.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(StarspaceTest, UnloadedEffectDoesNothing)
{
    StarSpace effect;
    effect.update(1);
    effect.render();
    EXPECT_EQ(pixel(320, 240)[0], 0);
    effect.load();
    const GLuint texture = effect.field->texture;
    EXPECT_TRUE(glIsTexture(texture));
    effect.unload();
    EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
}  // namespace velmora
