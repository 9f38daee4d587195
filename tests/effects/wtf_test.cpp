// The `wtf` vortex warp: the pulsing fourth layer, the layer weights of the three vortices, a
// grid point on a vortex centre, and the drawn layers.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "effects/wtf.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

constexpr float kPi = 3.14159265f;

void nameLayers(Wtf& wtf, const char* a, const char* b, const char* c, const char* d)
{
    wtf.handleElement(testing::element("w", {{"file1", a}, {"file2", b}, {"file3", c}, {"file4", d}}).get());
}

TEST(WtfClock, PhaseFollowsSpeedAndDrivesTheFourthLayer)
{
    Wtf wtf;
    EXPECT_FLOAT_EQ(wtf.pulse(), 1.0f);
    wtf.speed = 0;
    wtf.update(100);
    EXPECT_EQ(wtf.phase, 0.0f);
    wtf.speed = 2;
    wtf.update(3);
    EXPECT_FLOAT_EQ(wtf.phase, 6.0f);
    wtf.phase = 144.4f * kPi / 2;
    EXPECT_NEAR(wtf.pulse(), 0.0f, 1e-6f);
    wtf.phase = 144.4f * kPi;
    EXPECT_NEAR(wtf.pulse(), 1.0f, 1e-4f);
}

TEST(WtfSettings, FileNamesAreStoredWhole)
{
    Wtf wtf;
    const std::string longName(31, 'n');  // the longest value a script field holds
    nameLayers(wtf, "a.tga", "b.tga", "c.tga", longName.c_str());
    EXPECT_STREQ(wtf.fileNames[0].data(), "a.tga");
    EXPECT_STREQ(wtf.fileNames[3].data(), longName.c_str());
}

class WtfTest : public testing::GLTest {
protected:
    void writeSolid(const char* name, uint8_t r, uint8_t g, uint8_t b)
    {
        dir.write(std::string("data/textures/") + name, testing::solidTga24(8, 8, r, g, b));
    }
    testing::TempDataDir dir;
};

TEST_F(WtfTest, WeightsShareOutTheThreeLayersAndAVortexCentreGivesNothing)
{
    Wtf wtf;
    wtf.load();
    wtf.moveVortices();
    wtf.warpGrid();
    for (int at = 0; at < Wtf::kGrid * Wtf::kGrid; ++at) {
        const float sum = wtf.weight[0][at] + wtf.weight[1][at] + wtf.weight[2][at];
        ASSERT_NEAR(sum, 1.0f, 1e-5f) << at;
    }
    // Vortex 0 starts at (10, 51.2) in grid units: the nearest grid point is mostly its own.
    EXPECT_GT(wtf.weight[0][51 * Wtf::kGrid + 10], 0.9f);

    // Vortices exactly on grid points.
    wtf.centreX[0] = 10, wtf.centreY[0] = 20;
    wtf.centreX[1] = 30, wtf.centreY[1] = 20;
    wtf.centreX[2] = 50, wtf.centreY[2] = 20;
    wtf.warpGrid();
    const int onCentre = 20 * Wtf::kGrid + 10;
    EXPECT_EQ(wtf.weight[0][onCentre], 0.0f);
    EXPECT_NEAR(wtf.weight[1][onCentre], 0.8f, 1e-5f);  // 1/400 against 1/1600
    EXPECT_NEAR(wtf.weight[2][onCentre], 0.2f, 1e-5f);
    for (int at = 0; at < Wtf::kGrid * Wtf::kGrid; ++at) {
        ASSERT_TRUE(std::isfinite(wtf.gridS[at])) << at;
        ASSERT_TRUE(std::isfinite(wtf.gridT[at])) << at;
    }
}

TEST_F(WtfTest, AtPhaseZeroTheFourthLayerIsAtFullStrength)
{
    writeSolid("black.tga", 0, 0, 0);
    writeSolid("white.tga", 255, 255, 255);
    Wtf wtf;
    nameLayers(wtf, "black.tga", "black.tga", "black.tga", "white.tga");
    wtf.load();
    wtf.render();
    EXPECT_EQ(pixel(320, 240)[0], 255);
    EXPECT_EQ(pixel(5, 5)[1], 255);

    glClear(GL_COLOR_BUFFER_BIT);
    wtf.phase = 144.4f * kPi / 2;
    wtf.render();
    EXPECT_LE(pixel(320, 240)[0], 1);
}

TEST_F(WtfTest, LayersAddUpByVortexNearness)
{
    writeSolid("red.tga", 255, 0, 0);
    writeSolid("green.tga", 0, 255, 0);
    writeSolid("blue.tga", 0, 0, 255);
    writeSolid("black.tga", 0, 0, 0);
    Wtf wtf;
    nameLayers(wtf, "red.tga", "green.tga", "blue.tga", "black.tga");
    wtf.load();
    wtf.render();
    // Grid point (10, 51) sits next to vortex 0; (30, 33) next to vortex 1; (50, 61) next to 2.
    const auto nearRed = pixel(10 * 640 / 63, 51 * 480 / 63);
    EXPECT_GT(nearRed[0], 200);
    const auto nearGreen = pixel(30 * 640 / 63, 33 * 480 / 63);
    EXPECT_GT(nearGreen[1], 200);
    const auto nearBlue = pixel(50 * 640 / 63, 61 * 480 / 63);
    EXPECT_GT(nearBlue[2], 200);
    for (const auto& p : {nearRed, nearGreen, nearBlue, pixel(320, 100)})
        EXPECT_NEAR(p[0] + p[1] + p[2], 255, 4);
}

TEST_F(WtfTest, UnloadedOrUntexturedEffectIsSafe)
{
    Wtf never;
    never.render();  // no arrays: nothing drawn
    EXPECT_EQ(pixel(320, 240)[0], 0);

    writeSolid("white.tga", 255, 255, 255);
    Wtf wtf;
    nameLayers(wtf, "white.tga", "absent.tga", "", "white.tga");
    wtf.load();
    EXPECT_TRUE(wtf.textures[0].texture());
    EXPECT_FALSE(wtf.textures[1].texture());
    EXPECT_FALSE(wtf.textures[2].texture());
    wtf.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint name = wtf.textures[0].texture().name();
    wtf.unload();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(wtf.gridS.empty());
    wtf.render();
}

}  // namespace
}  // namespace velmora
