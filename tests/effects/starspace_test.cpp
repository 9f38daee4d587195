// The `starspace` effect: star brightness and motion, the noise sampler, the nebula's shape, the
// sprite sheet (including a missing or short one) and the drawn stars.
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

TEST(StarBrightness, RisesThenFadesJustBeforeTheEye)
{
    EXPECT_NEAR(StarField::brightness(-4), 0.25f, 1e-6f);
    EXPECT_NEAR(StarField::brightness(-0.4), 0.975f, 1e-5f);  // raw 0.9025, past 0.9
    EXPECT_NEAR(StarField::brightness(0), 0.0f, 1e-6f);
    EXPECT_NEAR(StarField::brightness(-8), 0.0f, 1e-6f);
    EXPECT_LT(StarField::brightness(-6), StarField::brightness(-2));
}

// A 256 x 256 sprite sheet: the quarter of `kind` white, the rest black.
Bytes sheetWithKind(int kind)
{
    const int s0 = (kind & 1) * 128, t0 = (kind >> 1) * 128;
    Bytes pixels(256 * 256 * 3, 0);
    for (int y = t0; y < t0 + 128; ++y)
        for (int x = s0; x < s0 + 128; ++x)
            std::fill_n(&pixels[(y * 256 + x) * 3], 3, 255);
    return testing::bmpFile(pixels);
}

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
    // Keeps one star at (0, 0, z) of the given kind and moves every other one out of view.
    void isolateOneStar(StarField& field, double z, int kind)
    {
        for (Star& star : field.stars)
            star = Star{100, 100, -1, 0};
        field.stars[0] = Star{0, 0, z, kind};
    }
    void stillNebula(StarField& field, float angle)
    {
        field.angles8.fill(angle);
        field.angles16.fill(angle);
    }
    testing::TempDataDir dir;
};

TEST_F(StarspaceTest, FieldStartsWithinItsRangesAndKindTwoMostCommon)
{
    seedRandom(1);
    StarField field;
    int kinds[4] = {};
    for (const Star& star : field.stars) {
        EXPECT_GE(star.x, -2.0);
        EXPECT_LE(star.x, 2.0);
        EXPECT_GE(star.z, -8.0);
        EXPECT_LE(star.z, 0.0);
        ASSERT_GE(star.kind, 0);
        ASSERT_LE(star.kind, 3);
        ++kinds[star.kind];
    }
    for (int k : {0, 1, 3})
        EXPECT_GT(kinds[2], 3 * kinds[k]);  // about five times as common
    for (float speed : field.speeds16) {
        EXPECT_GE(speed, 0.01f);
        EXPECT_LE(speed, 0.02f);
    }
}

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

TEST_F(StarspaceTest, NoiseSamplerPassesThroughGridValuesAndWraps)
{
    StarSpace effect;
    effect.load();
    StarField& field = *effect.field;
    for (int k = 0; k < 64; ++k)
        field.noiseTable[k] = static_cast<float>((k * 37) % 64) / 64;
    EXPECT_FLOAT_EQ(field.sampleNoise(8, 3, 5), field.noiseTable[5 * 8 + 3]);
    EXPECT_FLOAT_EQ(field.sampleNoise(8, 11, -3), field.noiseTable[5 * 8 + 3]);
    EXPECT_FLOAT_EQ(field.sampleNoise(8, 7.25f, 0.5f), field.sampleNoise(8, -0.75f, 8.5f));
    field.noiseTable.fill(0.3f);
    EXPECT_NEAR(field.sampleNoise(8, 2.4f, 6.7f), 0.3f, 1e-6f);  // flat stays flat
}

TEST_F(StarspaceTest, NebulaIsDarkestAtTheCornersAndBrightestInTheMiddle)
{
    StarSpace effect;
    effect.load();
    StarField& field = *effect.field;
    stillNebula(field, 0);
    field.computeNebula();
    const auto at = [](int i, int j) { return j * StarField::kGrid + i; };
    // Flat noise 0.5: red = 0.8 x 0.5 / (2d + 1) + 0.8 x 0.25 / (2d + 1)
    EXPECT_NEAR(field.red[at(0, 0)], 0.6f / (2 * std::sqrt(2.0f) + 1), 1e-5f);
    EXPECT_GT(field.red[at(15, 15)], 3 * field.red[at(0, 0)]);
    EXPECT_FLOAT_EQ(field.red[at(0, 0)], field.red[at(31, 31)]);

    isolateOneStar(field, -1, 0);
    field.stars[0].x = 100;
    effect.render();
    const auto centre = pixel(320, 240), corner = pixel(2, 2);
    EXPECT_GT(centre[0], corner[0] + 60);
    EXPECT_GT(centre[0], centre[1]);  // red over blue over green
    EXPECT_GT(centre[2], centre[1]);
}

TEST_F(StarspaceTest, StarsDrawTheirOwnSpriteAdditively)
{
    dir.write("data/textures/STARS.BMP", sheetWithKind(2));
    StarSpace effect;
    effect.load();
    StarField& field = *effect.field;
    stillNebula(field, 1.5707964f);  // sin = 1: no nebula
    isolateOneStar(field, -1, 2);
    effect.render();
    const int expected = static_cast<int>(StarField::brightness(-1) * 255 + 0.5f);
    EXPECT_NEAR(pixel(320, 240)[0], expected, 3);
    EXPECT_EQ(pixel(20, 20)[0], 0);

    glClear(GL_COLOR_BUFFER_BIT);
    field.stars[0].kind = 1;  // a black quarter of this sheet
    effect.render();
    EXPECT_LT(pixel(320, 240)[0], 5);
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
