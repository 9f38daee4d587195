// The growing tree beyond its golden images: its textures' life and a missing leaf texture.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "effects/ltree.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

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
    testing::TempDataDir data;
    LTree tree;
};

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
