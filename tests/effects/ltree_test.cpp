// The growing tree: growth, leaf fall and colour, counts per frame, and the reseeded generator.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/random.h"
#include "effects/ltree.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

TEST(LTreeGrowth, FactorFromTimeAndClock)
{
    EXPECT_EQ(growthFactor(0), 0);
    EXPECT_NEAR(growthFactor(0.5f), 0.5, 1e-7);
    EXPECT_NEAR(growthFactor(0.999f), 1, 1e-4);
    EXPECT_EQ(growthFactor(1), 1);
    EXPECT_EQ(growthFactor(7), 1);

    LTree tree;
    auto node = testing::element("tree", {{"speed", "0.4"}});
    tree.handleElement(node.get());
    tree.update(1250);  // 12.5 seconds at speed 0.4: full growth
    EXPECT_NEAR(tree.growthTime, 1.0f, 1e-6);
}

TEST(LTreeGrowth, MakeTransformTurnsAndScalesColumns)
{
    const Mat3d m = makeTransform(0, 0, 0, 2, 3);
    EXPECT_DOUBLE_EQ(m.at(0, 0), 3);
    EXPECT_DOUBLE_EQ(m.at(1, 1), 2);
    EXPECT_DOUBLE_EQ(m.at(2, 2), 3);
    // A quarter turn about Z takes the X axis to +Y: x' = cos x - sin y, y' = sin x + cos y.
    const Mat3d z = makeTransform(0, 0, 1.5707963267948966, 1, 1);
    EXPECT_NEAR(z.column(0).y, 1, 1e-12);
    EXPECT_NEAR(z.column(1).x, -1, 1e-12);
    // About Y with x' = cos x - sin z: the X axis goes to (0, 0, +1).
    const Mat3d y = makeTransform(0, 1.5707963267948966, 0, 1, 1);
    EXPECT_NEAR(y.column(0).z, 1, 1e-12);
}

TEST(LTreeLeaf, HangsStillUntilItsWindThenFallsWithFrozenColour)
{
    // gust a = 1.1, lets go at h / a = 8 / 1.1; k = 0.2; no colour offset; limit 2.9;
    // full jitter up; drift (0.5, 0, -0.5).
    const int bytes[10] = {255, 0, 255, 0, 255, 255, 255, 255, 255, 0};
    const Vec3d p{0, 2, 0}, x{1, 0, 0}, y{0, 1, 0};
    LeafShape calm;
    shapeLeaf(bytes, 0, p, x, y, calm);
    EXPECT_NEAR(calm.colour[0], 0.4 + 0.05, 1e-6);
    EXPECT_NEAR(calm.colour[1], 0.7 + 0.1, 1e-6);
    EXPECT_NEAR(calm.colour[2], 0.2 + 0.025, 1e-6);
    EXPECT_EQ(calm.corners[0].x, -0.75);
    EXPECT_EQ(calm.corners[0].y, 2);
    EXPECT_EQ(calm.corners[2].y, 5);

    LeafShape blown;
    shapeLeaf(bytes, 10, p, x, y, blown);  // falls for b = 1.1 * 10 - 8 = 3
    const double m = 0.2 * (8 / 1.1);
    const double f = m - 1;
    EXPECT_NEAR(blown.colour[0], (1 - f) * 0.6 + f * 0.8 + 0.05, 1e-6);
    EXPECT_NEAR(blown.colour[1], (1 - f) * 0.6 + f * 0.4 + 0.1, 1e-6);
    // Bottom corners reach the ground (flight time sqrt(2 * 2 - 0.02)) and lie at 0.01.
    const double tau = std::sqrt(3.98);
    EXPECT_NEAR(blown.corners[0].x, -0.75 - 0.05 * tau * tau / 2 + 0.5 * tau, 1e-12);
    EXPECT_NEAR(blown.corners[0].z, -0.5 * tau, 1e-12);
    EXPECT_EQ(blown.corners[0].y, 0.01);
    // Top corners (height 5) fly for the whole fall time 3 and drop by 4.5.
    EXPECT_NEAR(blown.corners[2].x, 0.75 - 0.05 * 9 / 2 + 0.5 * 3, 1e-12);
    EXPECT_NEAR(blown.corners[2].y, 0.5, 1e-12);

    LeafShape stormy;
    shapeLeaf(bytes, 20, p, x, y, stormy);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(stormy.colour[c], blown.colour[c]);
}

class LTreeRenderTest : public testing::GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        std::vector<uint8_t> leaf, bark;
        for (int i = 0; i < 32 * 32; ++i) {
            leaf.insert(leaf.end(), {230, 230, 230});  // opaque, nearly white everywhere
            bark.insert(bark.end(), {40, 80, 120});
        }
        data.write("data/textures/leafsmall.bmp", testing::bmpFile(leaf));
        data.write("data/textures/treesmall.bmp", testing::bmpFile(bark));
    }
    std::vector<uint8_t> frame()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        tree.render();
        glFinish();
        return context->pixels();
    }
    // Green pixels in rows `fromRow` and above (row 0 at the bottom).
    int greenPixels(int fromRow = 0)
    {
        int count = 0;
        const std::vector<uint8_t> pixels = frame();
        for (size_t i = static_cast<size_t>(fromRow) * kWidth * 4; i < pixels.size(); i += 4)
            if (pixels[i + 1] > pixels[i] + 20 && pixels[i + 1] > 60)
                ++count;
        return count;
    }
    testing::TempDataDir data;
    LTree tree;
};

TEST_F(LTreeRenderTest, DrawsEveryBranchAndLeafAndRepeatsItsRandomSequence)
{
    tree.render();  // before load: nothing, no crash
    EXPECT_EQ(tree.segmentsDrawn, 0);
    tree.load();
    tree.growthTime = 1.3f;
    const std::vector<uint8_t> first = frame();
    EXPECT_EQ(tree.segmentsDrawn, 1092);
    EXPECT_EQ(tree.leavesDrawn, 729);
    const int afterTree = nextRandom();
    for (int i = 0; i < 1000; ++i) nextRandom();  // another effect drawing random numbers
    EXPECT_EQ(frame(), first);
    EXPECT_EQ(nextRandom(), afterTree);
    seedRandom(4);
    for (int i = 0; i < 7290; ++i) nextRandom();  // ten draws per leaf
    EXPECT_EQ(nextRandom(), afterTree);
}

TEST_F(LTreeRenderTest, GreenLeavesAppearOnlyOnceTheTreeHasGrown)
{
    tree.load();
    EXPECT_EQ(greenPixels(), 0);  // time 0: the tree is a point
    tree.growthTime = 1.0f;
    EXPECT_GT(greenPixels(), 2000);
    EXPECT_GT(greenPixels(kHeight / 2), 1000);  // the crown is above the middle of the view
    tree.growthTime = 3.0f;  // wind 30: every leaf has let go and lies on the ground
    EXPECT_EQ(greenPixels(kHeight / 2), 0);
}

TEST_F(LTreeRenderTest, CameraFlagDrawsInTheCurrentView)
{
    tree.load();
    tree.growthTime = 1.0f;
    const std::vector<uint8_t> own = frame();
    auto node = testing::element("tree", {{"camera", "1"}});
    tree.handleElement(node.get());
    glMatrixMode(GL_MODELVIEW);  // the same view, set up by "someone else"
    glLoadIdentity();
    glTranslatef(0, 0, -7);
    glRotatef((1 - std::sin(1.0f * 60 * 0.0375f)) * 25, 1, 0, 0);
    glTranslatef(0, -2, 0);
    glRotatef(60, 0, 1, 0);
    EXPECT_EQ(frame(), own);
    glLoadIdentity();
    glTranslatef(1, -3, -9);
    EXPECT_NE(frame(), own);
}

// The two textures survive unload and reload but go with the effect.
TEST_F(LTreeRenderTest, TexturesAreDeletedWithTheEffect)
{
    auto liveTextures = [] {
        int count = 0;
        for (GLuint name = 1; name < 256; ++name)
            count += glIsTexture(name) == GL_TRUE;
        return count;
    };
    const int before = liveTextures();
    {
        LTree other;
        other.load();
        other.unload();
        other.load();
        EXPECT_EQ(liveTextures(), before + 2);
    }
    EXPECT_EQ(liveTextures(), before);
}

TEST_F(LTreeRenderTest, MissingLeafTextureEndsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a forked child cannot use the GL threads
    testing::TempDataDir empty;
    EXPECT_EXIT(tree.load(), ::testing::ExitedWithCode(255), "is missing or damaged");
}

}  // namespace
}  // namespace velmora
