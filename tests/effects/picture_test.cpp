// The `picture` effect: rejected sizes and files, and the tiles' GL objects. The drawn picture is
// in the golden images (tests/golden).
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "effects/picture.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/script_builder.h"
#include "tests/support/temp_data_dir.h"

namespace velmora {
namespace {

using Bytes = std::vector<uint8_t>;

class PictureTest : public testing::GLTest {
protected:
    void loadPicture(Picture& picture, const char* file)
    {
        picture.handleElement(testing::element("p", {{"filename", file}}).get());
        picture.load();
        ASSERT_NE(picture.tiledImage(), nullptr);
    }
    testing::TempDataDir dir;
};

TEST_F(PictureTest, OddSmallMissingOrBrokenImagesLoadNoTilesAndDrawNothing)
{
    dir.write("data/textures/odd.tga", testing::solidTga24(255, 256, 255, 255, 255));
    dir.write("data/textures/small.tga", testing::solidTga24(6, 6, 255, 255, 255));
    Bytes broken = testing::solidTga24(64, 64, 255, 255, 255);
    broken.resize(broken.size() / 2);
    dir.write("data/textures/broken.tga", broken);
    for (const char* name : {"odd.tga", "small.tga", "broken.tga", "absent.tga"}) {
        Picture picture;
        loadPicture(picture, name);
        EXPECT_TRUE(picture.tiledImage()->tiles.empty()) << name;
        picture.render();
        EXPECT_EQ(pixel(320, 240)[0], 0) << name;
    }
    Picture unloaded;  // never loaded: render draws nothing and does not crash
    unloaded.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PictureTest, ReloadReplacesTheTilesAndUnloadDeletesThem)
{
    dir.write("data/textures/a.tga", testing::solidTga24(256, 256, 255, 0, 0));
    Picture picture;
    loadPicture(picture, "a.tga");
    const GLuint list = picture.tiledImage()->tiles[0].list;
    const GLuint texture = picture.tiledImage()->tiles[0].texture.name;
    EXPECT_TRUE(glIsList(list));
    picture.unload();
    EXPECT_EQ(picture.tiledImage(), nullptr);
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
}  // namespace velmora
