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

class LTreeTest : public testing::GLTest {
protected:
    testing::TempDataDir data;
};

// The two textures survive unload and reload but go with the effect.
TEST_F(LTreeTest, TexturesAreDeletedWithTheEffect)
{
    for (const char* name : {"data/textures/leafsmall.bmp", "data/textures/treesmall.bmp"})
        data.write(name, testing::bmpFile(std::vector<uint8_t>(32 * 32 * 3, 200)));
    auto liveTextures = [] {
        int count = 0;
        for (GLuint name = 1; name < 256; ++name)
            count += glIsTexture(name) == GL_TRUE;
        return count;
    };
    const int before = liveTextures();
    {
        LTree tree;
        tree.load();
        tree.unload();
        tree.load();
        EXPECT_EQ(liveTextures(), before + 2);
    }
    EXPECT_EQ(liveTextures(), before);
}

TEST_F(LTreeTest, MissingLeafTextureEndsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a forked child cannot use the GL threads
    LTree tree;
    EXPECT_EXIT(tree.load(), ::testing::ExitedWithCode(255), "is missing or damaged");
}

}  // namespace
}  // namespace velmora
