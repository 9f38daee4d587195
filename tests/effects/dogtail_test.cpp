// The dogtail effect: the surface grid, its texture and the layout fixed by the shared generator.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "core/random.h"
#include "effects/dogtail.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

TEST(EnneperSurface, PointAndShadingVector)
{
    float p[3], n[3];
    ennepersPoint(1, 0, p, n);
    EXPECT_NEAR(p[0], 1 - 1.0f / 3, 1e-6);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 1);
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1, 1e-6);
    ennepersPoint(-1, 2, p, n);
    for (float c : n) EXPECT_GE(c, 0);  // absolute values
    ennepersPoint(0, 0, p, n);          // the origin: no direction, no division by zero
    for (float c : n) EXPECT_EQ(c, 0);
}

class DogtailTest : public testing::GLTest {
protected:
    std::vector<uint8_t> frame()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        dogtail.render();
        glFinish();
        return context->pixels();
    }
    static int lit(const std::vector<uint8_t>& pixels)
    {
        int count = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) count += pixels[i] > 0;
        return count;
    }
    testing::TempDataDir data;
    DogTail dogtail;
};

TEST_F(DogtailTest, TexturedCopiesRepeatEveryFrame)
{
    data.write("data/textures/env.tga", testing::solidTga24(8, 8, 255, 255, 255));
    auto node = testing::element("d", {{"FileName", "env.tga"}, {"speed", "2"}});
    dogtail.handleElement(node.get());
    dogtail.load();
    EXPECT_GE(dogtail.cellCount(), 14 * 14);
    EXPECT_LE(dogtail.cellCount(), 15 * 15);
    dogtail.update(3);
    const auto first = frame();
    EXPECT_GT(lit(first), 2000);
    for (int i = 0; i < 77; ++i) nextRandom();
    EXPECT_EQ(frame(), first);  // reseeded with 300: the same layout
    seedRandom(300);
    for (int i = 0; i < 30; ++i) nextRandom();
    const int expected = nextRandom();
    frame();
    EXPECT_EQ(nextRandom(), expected);  // three draws per copy
    dogtail.update(10);
    EXPECT_NE(frame(), first);  // the copies tumble with time
}

TEST_F(DogtailTest, UndecodableTextureBuildsNothing)
{
    data.write("data/textures/bad.tga", std::vector<uint8_t>{1, 2, 3});
    auto node = testing::element("d", {{"filename", "bad.tga"}});
    dogtail.handleElement(node.get());
    dogtail.load();
    EXPECT_EQ(dogtail.cellCount(), 0);
    EXPECT_EQ(lit(frame()), 0);
}

}  // namespace
}  // namespace velmora
